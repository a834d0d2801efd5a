#pragma once

// The desktop program on the session bus: the profiles, the apply and the
// window for scripts and ornyxctl, and the mouse's notifications as signals.
// Served by the one process that drives the mouse while it runs.

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

#include "app/ProfileService.h"

namespace ornyx::app {

class CHidMouseDlg;

inline constexpr const char* kBusName = "org.ornyx.OrnyxMouse1";
inline constexpr const char* kBusPath = "/org/ornyx/OrnyxMouse1";
inline constexpr const char* kBusInterface = "org.ornyx.OrnyxMouse1";

class DBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.ornyx.OrnyxMouse1")
    Q_PROPERTY(bool Connected READ Connected)
    Q_PROPERTY(QString ActiveProfile READ ActiveProfile)
    Q_PROPERTY(bool Modified READ Modified)
    Q_PROPERTY(QStringList Profiles READ Profiles)
    Q_PROPERTY(QString Home READ Home CONSTANT)

public:
    explicit DBusService(CHidMouseDlg& window, QObject* parent = nullptr);

    // Serves the object and takes the bus name on `bus`. False, with the
    // reason, when either cannot be had (another program holds the name).
    bool Register(QDBusConnection bus, QString& error);

    bool Connected() const;
    QString ActiveProfile();
    bool Modified();
    QStringList Profiles();
    // The program home served, so that ornyxctl works through us only on ours.
    QString Home() const;

    // The error names of the replies.
    static QString ErrorName(ProfileService::Error error);
    static QString InvalidApplicationError();

public slots:
    void UseProfile(const QString& name);
    void SaveProfile(const QString& name);
    void Apply();
    void ShowWindow();
    // The application now in front, as the desktop's script sees it: the
    // profile bound to it follows. Answers at once; a burst of calls is one
    // switch at most.
    void SetActiveApplication(const QString& application);

signals:
    void MouseEvent(const QString& kind, int value, const QString& text);
    void ProfileSwitched(const QString& name);

private:
    // Replies with the outcome's error, when it is one.
    void Reply(const ProfileService::Outcome& outcome);
    void SendError(ProfileService::Error error, const QString& message);
    // Sends PropertiesChanged for what differs from what was last announced.
    void AnnounceChanges();

    CHidMouseDlg& window_;
    QDBusConnection bus_{QString()};
    bool registered_ = false;
    bool connected_ = false;
    ProfileService::State announced_;
};

}  // namespace ornyx::app
