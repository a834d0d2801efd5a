#pragma once

// Follows the application in front: every source (the X11 watcher, the
// session bus, the desktop scripts that call it) hands its "X is in front"
// here, and this one object decides whether a profile switch follows.
//
// Focus moves far faster than a switch runs (an apply is many paced frames),
// so only the latest application counts. The first request after a rest
// switches at once; the requests that follow it closely (flicking, or those
// that came while a switch ran) wait until the focus has stayed a moment, so
// a burst of them is one look-up and at most one more switch. A profile with changes of the
// window's is never replaced behind the user's back: the switch waits until they are saved or
// dropped.

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "app/ProfileService.h"
#include "focus/FocusWatcher.h"
#include "profiles/AppRules.h"

namespace ornyx::app {

class AutoSwitcher : public QObject {
    Q_OBJECT

public:
    // What the switcher needs of the program; the tests give stand-ins.
    struct Target {
        std::function<ProfileService::State()> state;
        // A switch to the profile, without questions.
        std::function<ProfileService::Outcome(const QString& profile)> use;
        // A switch or save of someone else runs now.
        std::function<bool()> working;
        // The active profile holds changes that are not saved, or the window
        // holds changes that are not applied.
        std::function<bool()> holdsChanges;
        std::function<profiles::AppRules()> readRules;
        // Reads the file again and writes it with `automatic` set, under the
        // home's lock, so that nothing written beside us is lost.
        std::function<bool(bool on, std::string& error)> writeAutomatic;
        std::function<void(const std::string&)> log;
    };

    struct Timing {
        // How long the focus stays before it counts: shorter than a person
        // notices, longer than a flick through windows with Alt+Tab.
        std::chrono::milliseconds settle{250};
        // A request never waits longer than this for the focus to stay, so
        // that a source that never rests still gets its switch.
        std::chrono::milliseconds longest{2000};
        // Another look while a switch is held up (changes, a busy home).
        std::chrono::milliseconds retry{1000};
    };

    // What happened, for the log and the measurements.
    struct Counts {
        int requests = 0;  // applications taken
        int refused = 0;   // names that cannot name an application
        int lookups = 0;   // requests that reached the rules
        int switches = 0;  // switches asked of the profile service
        bool operator==(const Counts&) const = default;
    };

    AutoSwitcher(Target target, Timing timing, QObject* parent = nullptr);
    explicit AutoSwitcher(Target target, QObject* parent = nullptr)
        : AutoSwitcher(std::move(target), Timing{}, parent) {}

    // The application now in front, by the names its window gives it, best
    // first (names that cannot name an application are passed over). False,
    // with the reason, when none can (nothing else happens then).
    bool Activated(const QStringList& names, QString* problem = nullptr);
    bool Activated(const QString& application, QString* problem = nullptr) {
        return Activated(QStringList{application}, problem);
    }

    // Follows the desktop's watcher from now on, beginning with the
    // application in front now.
    void Watch(std::unique_ptr<focus::FocusWatcher> watcher);

    // The rules file may have changed: it is read again before the next look-up.
    void RulesMayHaveChanged();
    // Another look at a held-up switch, when what held it up may be gone.
    void Recheck();
    // Whether switching follows the application in front, as the file says.
    bool Automatic();
    // Pauses or resumes through the rules file; false, with the reason, when
    // it cannot be written.
    bool SetAutomatic(bool on, QString& error);

    // The profile a switch waits for while the changes are kept; empty when none.
    const QString& Waiting() const { return waiting_; }
    const Counts& counts() const { return counts_; }

signals:
    void waitingChanged(const QString& profile);
    void automaticChanged(bool on);

private:
    const profiles::AppRules& Rules();
    void Settled();
    void SetWaiting(const QString& profile);
    // Another look after the retry time.
    void HoldUp();

    Target target_;
    Timing timing_;
    Counts counts_;
    QStringList latest_;  // the names of the application in front, as last told
    bool pending_ = false;
    std::chrono::steady_clock::time_point pendingSince_;
    // The last request, or the end of our last switch; a request after a rest
    // this long (the settle) is looked at at once.
    std::chrono::steady_clock::time_point lastRequest_;
    bool leading_ = false;     // a look is due at once
    bool switching_ = false;   // inside our own switch
    bool heldByWork_ = false;  // held up by someone else's switch
    QString waiting_;
    profiles::AppRules rules_;
    bool rulesRead_ = false;
    bool automatic_ = true;
    QTimer settle_;
    std::unique_ptr<focus::FocusWatcher> watcher_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ornyx::app
