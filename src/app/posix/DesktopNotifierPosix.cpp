#include "app/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "common/BuildInfo.h"
#include "common/MessageSink.h"

namespace ornyx::app {

bool DesktopNotifier::Send(const QString& title, const QString& text,
                           std::function<void()> failed) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    QVariantMap hints;
    hints["desktop-entry"] = QString::fromUtf8(kAppId);
    hints["category"] = QString("device");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, timeout (-1: the desktop's)
    call << QString::fromUtf8(kProgramName) << lastId_ << QString::fromUtf8(kAppId) << title << text
         << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, failed = std::move(failed)](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<quint32> reply = *w;
                if (reply.isError()) {
                    lastId_ = 0;
                    if (failed) failed();
                } else {
                    lastId_ = reply.value();
                }
                w->deleteLater();
            });
    return true;
}

}  // namespace ornyx::app
