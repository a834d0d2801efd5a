#pragma once

// Which application is in front, as the desktop tells it: a watcher is woken
// through a file descriptor (an X connection, a pipe in the tests), so that
// the program waits in its event loop and never polls.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ornyx::focus {

class FocusWatcher {
public:
    virtual ~FocusWatcher() = default;
    // Readable when something may have changed.
    virtual int Fd() const = 0;
    // Takes everything that arrived; the names of the application now in
    // front when the window in front changed (none for no window), else nullopt.
    virtual std::optional<std::vector<std::string>> Changed() = 0;
    // The names of the application in front now, read afresh.
    virtual std::vector<std::string> Current() = 0;
    // The desktop went away (the X server ended): the descriptor stays
    // readable for ever and must no longer be watched.
    virtual bool Lost() const = 0;
};

// The names a window gives its application, best first: the GTK application
// id, the KDE desktop file's id, the class and the instance of WM_CLASS
// ("instance\0class\0"). Properties as read, not trusted: cut, unterminated
// or empty values give no name; none when nothing names one.
std::vector<std::string> NamesOfWindow(std::string_view gtkApplicationId,
                                       std::string_view kdeDesktopFile, std::string_view wmClass);

}  // namespace ornyx::focus
