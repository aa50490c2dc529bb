#include "ui/BuddyNotices.h"

#include "core/ColourCodes.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

BuddyNotices::BuddyNotices(DesktopNotifier* notifier, QObject* parent)
    : QObject(parent), notifier_(notifier) {
  connect(notifier_, &DesktopNotifier::clicked, this, &BuddyNotices::showServer);
}

int BuddyNotices::AfterRefresh(const ServerList& servers) {
  int told = 0;
  for (const BuddySighting& seen : watch_.Update(servers)) {
    const std::string where = seen.serverName != "-" ? StripColourCodes(seen.serverName)
                                                     : seen.address;
    notifier_->Notify(FromGameText(StripColourCodes(seen.player) + " is playing"),
                      FromGameText("on " + where + " (" + seen.address + ")"),
                      FromGameText(seen.address));
    ++told;
  }
  return told;
}

}  // namespace vyk
