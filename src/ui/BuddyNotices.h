#pragma once
// After each refresh, a desktop notification for every buddy who turned up on a
// server since the one before; a click on it asks for that server.
#include <QObject>
#include <QString>

#include "core/BuddyWatch.h"
#include "ui/DesktopNotifier.h"

namespace vyk {

class BuddyNotices : public QObject {
  Q_OBJECT
 public:
  explicit BuddyNotices(DesktopNotifier* notifier, QObject* parent = nullptr);

  // The servers as the refresh left them, buddies marked. Returns how many were told.
  int AfterRefresh(const ServerList& servers);

 signals:
  void showServer(const QString& address);

 private:
  BuddyWatch watch_;
  DesktopNotifier* notifier_;
};

}  // namespace vyk
