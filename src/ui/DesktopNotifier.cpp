#include "ui/DesktopNotifier.h"

#include <QSystemTrayIcon>
#ifdef VYK_HAVE_DBUS
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif
#include <QVariantMap>

#include "ui/AppIcon.h"

namespace vyk {
namespace {

constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kAppName = "Vyk Finder";
constexpr const char* kDefaultAction = "default";

}  // namespace

DesktopNotifier::~DesktopNotifier() = default;

#ifdef VYK_HAVE_DBUS
DesktopNotifier::DesktopNotifier(QObject* parent) : DesktopNotifier(parent, QDBusConnection::sessionBus()) {}

DesktopNotifier::DesktopNotifier(QObject* parent, QDBusConnection bus)
    : QObject(parent), bus_(std::move(bus)) {
  if (!bus_.isConnected()) return;
  const QString service = QString::fromLatin1(kService);
  const QString path = QString::fromLatin1(kPath);
  const QString iface = QString::fromLatin1(kInterface);
  bus_.connect(service, path, iface, QStringLiteral("ActionInvoked"), this,
               SLOT(OnActionInvoked(uint, QString)));
  bus_.connect(service, path, iface, QStringLiteral("NotificationClosed"), this,
               SLOT(OnClosed(uint, uint)));
}

DesktopNotifier::Channel DesktopNotifier::NotifyByService(const QString& title,
                                                          const QString& body, const QString& key) {
  if (!bus_.isConnected()) return Channel::kNone;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
      QStringLiteral("Notify"));
  // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
  call << QString::fromLatin1(kAppName) << uint(0) << QStringLiteral("vykfind") << title << body
       << QStringList{QString::fromLatin1(kDefaultAction), QStringLiteral("Show")} << QVariantMap{}
       << -1;
  // Never waited for: a slow service must not stop the window. Its answer names
  // the notification a click will come back with; a refusal, or no service on the
  // bus at all, falls back to the tray.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 5000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, title, body, key](QDBusPendingCallWatcher* done) {
            const QDBusPendingReply<uint> id = *done;
            if (id.isValid())
              keys_.insert(id.value(), key);
            else
              NotifyByTray(title, body, key);
            done->deleteLater();
          });
  return Channel::kService;
}
#else
DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

DesktopNotifier::Channel DesktopNotifier::NotifyByService(const QString&, const QString&,
                                                          const QString&) {
  return Channel::kNone;
}
#endif

DesktopNotifier::Channel DesktopNotifier::Notify(const QString& title, const QString& body,
                                                 const QString& key) {
  const Channel sent = NotifyByService(title, body, key);
  return sent == Channel::kService ? sent : NotifyByTray(title, body, key);
}

DesktopNotifier::Channel DesktopNotifier::NotifyByTray(const QString& title, const QString& body,
                                                       const QString& key) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return Channel::kNone;
  if (tray_ == nullptr) {
    tray_ = new QSystemTrayIcon(AppIcon(), this);
    tray_->setToolTip(QString::fromLatin1(kAppName));
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { emit clicked(trayKey_); });
  }
  tray_->show();
  trayKey_ = key;
  tray_->showMessage(title, body, QSystemTrayIcon::Information);
  return Channel::kTray;
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
  auto it = keys_.constFind(id);
  if (it == keys_.constEnd()) return;  // another program's notification
  if (action == QString::fromLatin1(kDefaultAction) || action == QStringLiteral("Show"))
    emit clicked(*it);
}

void DesktopNotifier::OnClosed(uint id, uint) {
  keys_.remove(id);
}

}  // namespace vyk
