#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace ornyx::app {

// Notes through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), sent under the
// program's name and icon with the desktop's own timeout, so that they stay
// long enough to be read. A newer note replaces the one still shown.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // Sends without waiting. False when there is no session bus (always on
    // Windows, which has no such service: the tray's balloon shows the note); `failed`
    // runs later if the service refuses or is missing, so that the caller can
    // show the note another way.
    bool Send(const QString& title, const QString& text, std::function<void()> failed);

private:
    quint32 lastId_ = 0;
};

}  // namespace ornyx::app
