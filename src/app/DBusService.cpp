#include "app/DBusService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

#include "app/MainWindow.h"
#include "profiles/DesktopProgram.h"

namespace ornyx::app {

DBusService::DBusService(CHidMouseDlg& window, QObject* parent) : QObject(parent), window_(window) {
    connected_ = window_.Connection().present();
    announced_ = window_.Profiles().Last();
    connect(&window_, &CHidMouseDlg::mouseEvent, this, &DBusService::MouseEvent);
    connect(&window_, &CHidMouseDlg::connectionChanged, this, [this] { AnnounceChanges(); });
    connect(&window_.Profiles(), &ProfileService::stateChanged, this,
            [this] { AnnounceChanges(); });
    connect(&window_.Profiles(), &ProfileService::switched, this,
            [this](const QString& name) { emit ProfileSwitched(name); });
}

bool DBusService::Register(QDBusConnection bus, QString& error) {
    if (!bus.isConnected()) {
        error = "no session bus: " + bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(kBusPath, kBusInterface, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties)) {
        error = QString("cannot serve ") + kBusPath + ": " + bus.lastError().message();
        return false;
    }
    bus_ = bus;
    registered_ = true;
    // Our own name only: a program that holds it already keeps it.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> taken =
        bus.interface()->registerService(kBusName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!taken.isValid() || taken.value() != QDBusConnectionInterface::ServiceRegistered) {
        error = QString("the bus name ") + kBusName + " is taken" +
                (taken.isValid() ? QString() : ": " + taken.error().message());
        return false;
    }
    return true;
}

QString DBusService::ErrorName(ProfileService::Error error) {
    const QString prefix = QString(kBusInterface) + ".Error.";
    switch (error) {
        case ProfileService::Error::None:
            return {};
        case ProfileService::Error::NoMouse:
            return prefix + "NoMouse";
        case ProfileService::Error::NoSuchProfile:
            return prefix + "NoSuchProfile";
        case ProfileService::Error::Busy:
            return prefix + "Busy";
        case ProfileService::Error::InvalidName:
            return prefix + "InvalidName";
        case ProfileService::Error::Exists:
            return prefix + "Exists";
        case ProfileService::Error::Failed:
            break;
    }
    return prefix + "Failed";
}

QString DBusService::InvalidApplicationError() {
    return QString(kBusInterface) + ".Error.InvalidApplication";
}

bool DBusService::Connected() const {
    return window_.Connection().present();
}

// The profile properties are read from the files each time, so that changes
// made by ornyxctl beside the program show too.
QString DBusService::ActiveProfile() {
    return window_.Profiles().Refresh().active;
}

bool DBusService::Modified() {
    return window_.Profiles().Refresh().modified;
}

QStringList DBusService::Profiles() {
    return window_.Profiles().Refresh().names;
}

QString DBusService::Home() const {
    return QString::fromStdString(profiles::CanonicalHome(window_.Profiles().Home()));
}

void DBusService::SendError(ProfileService::Error error, const QString& message) {
    if (calledFromDBus()) sendErrorReply(ErrorName(error), message);
}

void DBusService::Reply(const ProfileService::Outcome& outcome) {
    if (!outcome.ok()) SendError(outcome.error, outcome.message);
}

void DBusService::UseProfile(const QString& name) {
    Reply(window_.Profiles().Use(name, /*ask=*/false));
}

void DBusService::SaveProfile(const QString& name) {
    ProfileService& profiles = window_.Profiles();
    // Only the active profile is replaced: another one of that name is the
    // user's, which a script must not overwrite by a slip of the name.
    const QString active = profiles.Refresh().active;
    const bool replace = !active.isEmpty() && profiles.SameProfile(name, active);
    Reply(profiles.Save(name, replace));
}

void DBusService::Apply() {
    if (window_.Profiles().Working()) {
        SendError(ProfileService::Error::Busy, "a profile change is in progress");
        return;
    }
    if (!window_.Connection().present()) {
        SendError(ProfileService::Error::NoMouse, "no mouse is connected");
        return;
    }
    QString error;
    if (!window_.ApplyForCaller(error)) SendError(ProfileService::Error::Failed, error);
}

void DBusService::SetActiveApplication(const QString& application) {
    QString problem;
    if (!window_.Switcher().Activated(application, &problem) && calledFromDBus())
        sendErrorReply(InvalidApplicationError(), problem);
}

void DBusService::ShowWindow() {
    window_.Activate();
    if (!window_.isVisible()) {
        // Where there is a tray the window opens only with the mouse present.
        SendError(window_.Connection().present() ? ProfileService::Error::Failed
                                                 : ProfileService::Error::NoMouse,
                  "the window cannot be shown: no mouse is connected");
    }
}

void DBusService::AnnounceChanges() {
    if (!registered_) return;
    QVariantMap changed;
    const bool present = window_.Connection().present();
    if (present != connected_) {
        connected_ = present;
        changed["Connected"] = present;
    }
    const ProfileService::State& now = window_.Profiles().Last();
    if (now.active != announced_.active) changed["ActiveProfile"] = now.active;
    if (now.modified != announced_.modified) changed["Modified"] = now.modified;
    if (now.names != announced_.names) changed["Profiles"] = now.names;
    announced_ = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(kBusPath, "org.freedesktop.DBus.Properties",
                                                     "PropertiesChanged");
    signal << QString(kBusInterface) << changed << QStringList();
    bus_.send(signal);
}

}  // namespace ornyx::app
