#pragma once
// Messages to the desktop while the window may be out of sight: freedesktop
// notifications over D-Bus where a notification service runs, else a message
// of the tray icon. A click on one comes back as `clicked` with the key given
// when it was shown.
#ifdef VYK_HAVE_DBUS
#include <QDBusConnection>
#endif
#include <QHash>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

namespace vyk {

class DesktopNotifier : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";

  // On the session bus; where Qt has no D-Bus (Windows) only the tray is used.
  explicit DesktopNotifier(QObject* parent = nullptr);
#ifdef VYK_HAVE_DBUS
  DesktopNotifier(QObject* parent, QDBusConnection bus);
#endif
  ~DesktopNotifier() override;

  enum class Channel { kService, kTray, kNone };
  // Shows the message; says which way it went (kNone: neither is there).
  Channel Notify(const QString& title, const QString& body, const QString& key);

 signals:
  void clicked(const QString& key);

 private slots:
  void OnActionInvoked(uint id, const QString& action);
  void OnClosed(uint id, uint reason);

 private:
  Channel NotifyByService(const QString& title, const QString& body, const QString& key);
  Channel NotifyByTray(const QString& title, const QString& body, const QString& key);

#ifdef VYK_HAVE_DBUS
  QDBusConnection bus_ = QDBusConnection::sessionBus();
#endif
  QHash<uint, QString> keys_;  // shown notification -> key
  QSystemTrayIcon* tray_ = nullptr;
  QString trayKey_;
};

}  // namespace vyk
