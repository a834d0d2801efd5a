#include "app/AutoSwitcher.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ornyx::app {

namespace {

using std::chrono::milliseconds;

QStringList Names(const std::vector<std::string>& names) {
    QStringList out;
    for (const std::string& name : names) out << QString::fromStdString(name);
    return out;
}

int Ms(milliseconds d) {
    return static_cast<int>(std::max<milliseconds::rep>(0, d.count()));
}

}  // namespace

AutoSwitcher::AutoSwitcher(Target target, Timing timing, QObject* parent)
    : QObject(parent), target_(std::move(target)), timing_(timing) {
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &AutoSwitcher::Settled);
}

bool AutoSwitcher::Activated(const QStringList& names, QString* problem) {
    QStringList usable;
    std::string why;  // of the best name
    for (const QString& name : names) {
        // Counted in UTF-16 units before any copy: a caller may send megabytes.
        const std::string nameWhy =
            name.size() > static_cast<qsizetype>(profiles::kMaxApplicationBytes)
                ? "is too long"
                : profiles::ApplicationProblem(name.toStdString());
        if (nameWhy.empty()) {
            usable << name;
        } else if (why.empty()) {
            why = nameWhy;
        }
    }
    if (usable.isEmpty()) {
        if (why.empty()) why = "is empty";
        ++counts_.refused;
        if (problem != nullptr) *problem = "the application name " + QString::fromStdString(why);
        return false;
    }
    ++counts_.requests;
    latest_ = usable;
    const auto now = std::chrono::steady_clock::now();
    // The end of our own switch counts as a request: what queued behind it is
    // a flick, not the first request after a rest.
    const bool quiet = !switching_ && now - lastRequest_ >= timing_.settle;
    lastRequest_ = now;
    if (leading_) return true;  // the look due at once takes the latest names
    if (!pending_) {
        pending_ = true;
        pendingSince_ = now;
        // After a rest nothing is gained by waiting: flicking shows itself
        // only from the second request on.
        if (quiet) {
            leading_ = true;
            settle_.start(0);
            return true;
        }
    }
    const auto left =
        std::chrono::duration_cast<milliseconds>(pendingSince_ + timing_.longest - now);
    settle_.start(Ms(std::min(timing_.settle, left)));
    return true;
}

void AutoSwitcher::Watch(std::unique_ptr<focus::FocusWatcher> watcher) {
    notifier_.reset();
    watcher_ = std::move(watcher);
    if (!watcher_) return;
    notifier_ = std::make_unique<QSocketNotifier>(watcher_->Fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        const std::optional<std::vector<std::string>> changed = watcher_->Changed();
        if (watcher_->Lost()) {
            // A closed display stays readable: watching it would spin.
            target_.log("the display that showed the application in front is gone");
            notifier_->setEnabled(false);
            return;
        }
        // A desktop without a window in front names no application.
        if (changed && !changed->empty()) Activated(Names(*changed));
    });
    if (const std::vector<std::string> now = watcher_->Current(); !now.empty())
        Activated(Names(now));
}

void AutoSwitcher::Recheck() {
    // Only a held-up switch: a request still settling keeps its wait.
    if (pending_ && (!waiting_.isEmpty() || heldByWork_)) settle_.start(0);
}

const profiles::AppRules& AutoSwitcher::Rules() {
    if (!rulesRead_) {
        rules_ = target_.readRules();
        rulesRead_ = true;
        if (rules_.automatic != automatic_) {
            automatic_ = rules_.automatic;
            emit automaticChanged(automatic_);
        }
        if (!automatic_) SetWaiting({});
    }
    return rules_;
}

void AutoSwitcher::RulesMayHaveChanged() {
    rulesRead_ = false;
    Rules();  // small, and the tray shows `automatic` as the file says
}

bool AutoSwitcher::Automatic() {
    return Rules().automatic;
}

bool AutoSwitcher::SetAutomatic(bool on, QString& error) {
    std::string why;
    if (!target_.writeAutomatic(on, why)) {
        error = QString::fromStdString(why);
        target_.log("automatic profile switching: " + why);
        return false;
    }
    RulesMayHaveChanged();
    // Resumed: the application in front gets its profile now, not at the
    // next change of focus.
    if (on && !latest_.isEmpty()) {
        if (!pending_) pendingSince_ = std::chrono::steady_clock::now();
        pending_ = true;
        settle_.start(0);
    }
    return true;
}

void AutoSwitcher::HoldUp() {
    // Requests that come while it is held up settle anew before the next
    // look: a look reads the home's files, and must not follow every flick.
    pendingSince_ = std::chrono::steady_clock::now();
    settle_.start(Ms(timing_.retry));
}

void AutoSwitcher::SetWaiting(const QString& profile) {
    if (profile == waiting_) return;
    waiting_ = profile;
    emit waitingChanged(waiting_);
}

void AutoSwitcher::Settled() {
    leading_ = false;
    heldByWork_ = false;
    // Our own switch runs the event loop: what came meanwhile is looked at
    // when it ends.
    if (!pending_ || switching_) return;
    // One switch at a time: the latest application waits for the running one.
    if (target_.working()) {
        heldByWork_ = true;
        HoldUp();
        return;
    }
    ++counts_.lookups;
    std::vector<std::string> names;
    for (const QString& name : latest_) names.push_back(name.toStdString());
    const std::vector<std::string_view> views(names.begin(), names.end());
    const std::optional<std::string> profile = profiles::ProfileForApplications(Rules(), views);
    if (!profile) {  // no rule and no default, or paused: the profile stays
        pending_ = false;
        SetWaiting({});
        return;
    }
    const QString wanted = QString::fromStdString(*profile);
    if (ProfileService::SameProfile(wanted, target_.state().active)) {
        pending_ = false;
        SetWaiting({});
        return;
    }
    if (target_.holdsChanges()) {
        SetWaiting(wanted);
        HoldUp();
        return;
    }
    pending_ = false;
    SetWaiting({});
    ++counts_.switches;
    switching_ = true;
    const ProfileService::Outcome outcome = target_.use(wanted);
    switching_ = false;
    lastRequest_ = std::chrono::steady_clock::now();
    if (outcome.error == ProfileService::Error::Busy) {
        // The home is locked by ornyxctl, or changes came meanwhile: later.
        pending_ = true;
        HoldUp();
        return;
    }
    if (!outcome.ok() && outcome.error != ProfileService::Error::NoMouse) {
        target_.log("automatic switch to " + wanted.toStdString() + " for " +
                    latest_.join(" / ").toStdString() + ": " + outcome.message.toStdString());
    }
    // Requests that came while it ran: the latest, after a short settle.
    if (pending_) {
        pendingSince_ = lastRequest_;
        settle_.start(Ms(timing_.settle));
    }
}

}  // namespace ornyx::app
