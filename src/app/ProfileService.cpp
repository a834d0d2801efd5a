#include "app/ProfileService.h"

#include <QFileInfo>
#include <optional>
#include <utility>

#include "common/Utf8.h"
#include "macros/MacroStore.h"
#include "profiles/HomeProfile.h"
#include "profiles/ProfileName.h"
#include "profiles/ProfileStore.h"
#include "profiles/ProfileSwitch.h"

namespace ornyx::app {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Clears a flag however the scope is left.
class HeldFlag {
public:
    explicit HeldFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~HeldFlag() { flag_ = false; }
    HeldFlag(const HeldFlag&) = delete;
    HeldFlag& operator=(const HeldFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

ProfileService::ProfileService(AppContext& context, Hooks hooks, QObject* parent)
    : QObject(parent), ctx_(context), hooks_(std::move(hooks)) {
    constexpr int kSettleMs = 200;
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        WatchFolders();
        // A switch of ours reads the state itself when it is done.
        if (!working_) Refresh();
        emit filesChanged();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    WatchFolders();
}

void ProfileService::WatchFolders() {
    const QString home = QString::fromStdString(utf8::FromPath(ctx_.paths.home));
    const QString folder =
        QString::fromStdString(utf8::FromPath(ctx_.paths.home / profiles::kProfilesFolderName));
    const QStringList watched = watcher_.directories();
    for (const QString& path : {home, folder}) {
        if (!watched.contains(path) && QFileInfo(path).isDir()) watcher_.addPath(path);
    }
}

ProfileService::Outcome ProfileService::Refuse(Error error, const QString& message,
                                               const QString& name) {
    ctx_.Log().Write("profile: " + message.toStdString());
    return {error, message, name};
}

bool ProfileService::SameProfile(const QString& a, const QString& b) {
    if (!profiles::NameProblem(a.toStdString()).empty() ||
        !profiles::NameProblem(b.toStdString()).empty())
        return false;
    const std::optional<std::string> fileA = profiles::FileNameFor(a.toStdString());
    return fileA && fileA == profiles::FileNameFor(b.toStdString());
}

const ProfileService::State& ProfileService::Refresh() {
    State now;
    {
        settings::HomeLock lock;
        std::string error;
        if (!ctx_.Session().LockHome(lock, settings::HomeLock::Mode::Shared, error)) {
            ctx_.Log().Write("profiles: " + error);
            return state_;  // kept as last seen rather than shown empty
        }
        const profiles::ProfileStore store(ctx_.paths.home);
        if (const auto all = store.List(error)) {
            for (const profiles::StoredProfile& p : *all) {
                if (p.usable) now.names << Q(p.name);
            }
        } else {
            ctx_.Log().Write("profiles: " + error);
        }
        if (const auto active = profiles::ReadActiveProfile(ctx_.paths.home)) {
            now.active = Q(active->name);
            now.modified = profiles::ActiveModified(ctx_.Session(), store, *active).value_or(false);
        }
    }
    if (now != state_) {
        state_ = std::move(now);
        emit stateChanged();
    }
    return state_;
}

ProfileService::Outcome ProfileService::Use(const QString& name, bool ask) {
    if (working_) return Refuse(Error::Busy, "another profile change is in progress");
    const HeldFlag held(working_);
    if (name.size() > kMaxNameUnits) return Refuse(Error::InvalidName, "the name is too long");
    const std::string utf8 = name.toStdString();
    if (const std::string problem = profiles::NameProblem(utf8); !problem.empty())
        return Refuse(Error::InvalidName, "the profile name " + Q(problem));
    // Whether the profile can be used is known before the question: a switch
    // that cannot happen must not cost the window its changes.
    {
        settings::HomeLock lock;
        std::string error;
        if (!ctx_.Session().LockHome(lock, settings::HomeLock::Mode::Shared, error))
            return Refuse(Error::Busy, Q(error));
        profiles::StoredProfile found;
        switch (profiles::ProfileStore(ctx_.paths.home).Find(utf8, found, error)) {
            case profiles::ProfileStore::Found::Ok:
                break;
            case profiles::ProfileStore::Found::Missing:
                return Refuse(Error::NoSuchProfile, "there is no profile \"" + name + "\"");
            case profiles::ProfileStore::Found::Unusable:
                return Refuse(Error::NoSuchProfile, Q(error));
            case profiles::ProfileStore::Found::Failed:
                return Refuse(Error::Failed, Q(error));
        }
    }
    if (hooks_.unappliedChanges()) {
        if (!ask) {
            return Refuse(Error::Busy,
                          "the window holds changes that are not applied; apply or cancel them "
                          "first");
        }
        if (!hooks_.confirmDrop(name)) return Refuse(Error::Busy, "the switch was cancelled");
        ctx_.settings.RestoreBackup();
    }

    profiles::SwitchReport report;
    RecordingMessageSink later;
    {
        settings::HomeLock lock;
        std::string error;
        if (!ctx_.Session().LockHome(lock, settings::HomeLock::Mode::Exclusive, error))
            return Refuse(Error::Busy, Q(error));
        // Read again under this lock: the profile may have changed meanwhile.
        const profiles::ProfileStore store(ctx_.paths.home);
        report = profiles::SwitchProfile(ctx_.Session(), store, utf8,
                                         [this] { return hooks_.mousePresent(); },
                                         {.fileMessages = &later});
    }
    later.ReplayTo(ctx_.Messages());
    const QString shown = Q(report.name);
    using SwitchOutcome = profiles::SwitchReport::Outcome;
    if (report.outcome == SwitchOutcome::Refused) {
        Refresh();
        return Refuse(Error::Failed, Q(report.error), shown);
    }
    if (report.outcome == SwitchOutcome::AlreadyActive) {
        Refresh();
        return {Error::None, "profile \"" + shown + "\" is active and unchanged", shown};
    }
    const session::ApplyReport& apply = report.apply;
    const bool applied = report.mousePresent && !apply.refused && apply.result.ok();
    ctx_.Log().Write("profile: switched to " + report.name + (applied ? " and applied it" : ""));
    hooks_.switched(applied);
    emit switched(shown, applied);
    Refresh();
    if (!report.mousePresent) {
        return {Error::NoMouse,
                "switched the files to profile \"" + shown +
                    "\"; no mouse is connected, it gets them with the next apply",
                shown};
    }
    if (apply.refused) return Refuse(Error::Failed, "no settings could be loaded to send", shown);
    if (!apply.result.ok()) {
        const std::string why = apply.traceError.empty()
                                    ? session::ApplyFailureText(apply.result, apply.vanished)
                                    : apply.traceError;
        return Refuse(
            apply.vanished ? Error::NoMouse : Error::Failed,
            Q(why) + "; the files hold profile \"" + shown + "\", and the next apply sends it",
            shown);
    }
    if (!report.noteError.empty()) ctx_.Log().Write("profile: " + report.noteError);
    return {Error::None, "switched to profile \"" + shown + "\" and applied it", shown};
}

ProfileService::Outcome ProfileService::Save(const QString& name, bool replace) {
    if (working_) return Refuse(Error::Busy, "another profile change is in progress");
    const HeldFlag held(working_);
    if (name.size() > kMaxNameUnits) return Refuse(Error::InvalidName, "the name is too long");
    const std::string utf8 = name.toStdString();
    if (const std::string problem = profiles::NameProblem(utf8); !problem.empty())
        return Refuse(Error::InvalidName, "the profile name " + Q(problem));
    {
        settings::HomeLock lock;
        std::string error;
        if (!ctx_.Session().LockHome(lock, settings::HomeLock::Mode::Exclusive, error))
            return Refuse(Error::Busy, Q(error));
        profiles::ProfileStore store(ctx_.paths.home);
        if (!replace) {
            profiles::StoredProfile existing;
            std::string ignored;
            if (store.Find(utf8, existing, ignored) != profiles::ProfileStore::Found::Missing)
                return Refuse(Error::Exists, "a profile \"" + name + "\" exists already", name);
        }
        macros::MacroExport record;
        const std::optional<session::Profile> profile =
            profiles::ReadHomeProfile(ctx_.Session(), record, error);
        if (!profile) return Refuse(Error::Failed, Q(error) + " (no profile was saved)", name);
        if (!store.Save(utf8, *profile, replace, error))
            return Refuse(Error::Failed, Q(error), name);
        // What the mouse holds is not known here: the next switch to it sends it.
        if (const WriteResult noted = profiles::WriteActiveProfile(ctx_.paths.home, {utf8, false});
            !noted.ok) {
            Refresh();
            return Refuse(Error::Failed, "saved, but " + Q(noted.error), name);
        }
    }
    ctx_.Log().Write("profile: saved " + utf8);
    Refresh();
    return {Error::None, "saved profile \"" + name + "\"", name};
}

}  // namespace ornyx::app
