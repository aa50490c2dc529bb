#include "ui/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ui/widgets/TextCrossing.h"

namespace vyk {

bool SystemClipboard::SetText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(FromGameText(text));
  return true;
}

}  // namespace vyk
