#pragma once

// On KDE Plasma (Wayland above all) the program cannot see other windows: a
// small KWin script, loaded while the program runs, tells it the application
// in front over the session bus (SetActiveApplication).

#include <QDBusConnection>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace ornyx::app {

class KWinScript {
public:
    // KWin knows a loaded script by this name; a script of an earlier run
    // that ended without unloading it is replaced.
    static constexpr const char* kPluginName = "ornyx-mouse-autoswitch";

    KWinScript() = default;
    ~KWinScript() { Unload(); }
    KWinScript(const KWinScript&) = delete;
    KWinScript& operator=(const KWinScript&) = delete;

    // Whether KWin serves its scripting interface on `bus`.
    static bool Available(const QDBusConnection& bus);
    // Loads and starts the script; false, with the reason, when KWin refuses.
    bool Load(const QDBusConnection& bus, QString& error);
    // Takes the script out again; nothing when none was loaded.
    void Unload();
    bool Loaded() const { return loaded_; }

private:
    QDBusConnection bus_{QString()};
    std::unique_ptr<QTemporaryDir> folder_;  // KWin reads the file from here
    bool loaded_ = false;
};

}  // namespace ornyx::app
