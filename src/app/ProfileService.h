#pragma once

// The named profiles as the desktop program offers them: the tray's submenu
// and the session bus both switch and save through here, so that the window,
// the tray and every caller see one state, and only this process drives the
// mouse while it runs.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "app/AppContext.h"

namespace ornyx::app {

class ProfileService : public QObject {
    Q_OBJECT

public:
    enum class Error {
        None,
        NoMouse,        // the files switched, but no mouse took them
        NoSuchProfile,  // no profile of that name, or one that cannot be used
        Busy,           // another switch runs, the home is locked, or the window
                        // holds changes that are not applied
        InvalidName,    // the name cannot name a profile
        Exists,         // a new profile would replace one
        Failed,         // anything else: `message` says what
    };
    struct Outcome {
        Error error = Error::None;
        QString message;  // why, in English, for logs and callers
        QString name;     // the profile's own display name, when known
        bool ok() const { return error == Error::None; }
    };

    struct State {
        QStringList names;  // the usable profiles, in file order
        QString active;     // empty when none is
        bool modified = false;
        bool operator==(const State&) const = default;
    };

    // What the switch needs of the window.
    struct Hooks {
        std::function<bool()> mousePresent;
        // Whether the window holds changes that were not applied.
        std::function<bool()> unappliedChanges;
        // Asks whether to drop them for the profile `name`; true drops them.
        std::function<bool(const QString& name)> confirmDrop;
        // The files hold a new profile: the window shows it, the desktop's
        // pointer options follow after an apply.
        std::function<void(bool applied)> switched;
    };

    // Longer names are refused before anything is read: a name has at most 64
    // characters, each at most two UTF-16 units.
    static constexpr qsizetype kMaxNameUnits = 128;

    ProfileService(AppContext& context, Hooks hooks, QObject* parent = nullptr);

    // The state as the files say now; emits stateChanged when it differs from
    // the last one seen.
    const State& Refresh();
    const State& Last() const { return state_; }
    // The program home whose profiles these are.
    const std::filesystem::path& Home() const { return ctx_.paths.home; }
    // A switch or save is running (a question of it may be open).
    bool Working() const { return working_; }
    // Whether two names name one profile (they differ in case or composition only).
    static bool SameProfile(const QString& a, const QString& b);

    // Switches to `name`. With `ask`, changes the window holds are dropped
    // only when the user agrees (else Busy); without, they make it Busy.
    Outcome Use(const QString& name, bool ask);
    // Stores the window's settings as `name` and makes it the active one.
    Outcome Save(const QString& name, bool replace);

signals:
    void stateChanged();
    // Something in the home or its profiles folder changed (settled): other
    // files of the home, such as the application rules, may have too.
    void filesChanged();
    // After every switch that changed the files, with the profile's name.
    void switched(const QString& name, bool applied);

private:
    Outcome Refuse(Error error, const QString& message, const QString& name = {});
    // Watches the home and its profiles folder, once that exists.
    void WatchFolders();

    AppContext& ctx_;
    Hooks hooks_;
    State state_;
    bool working_ = false;
    // ornyxctl changes the files beside us: a change in the home or the
    // profiles folder reads the state again, once the writes have settled.
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace ornyx::app
