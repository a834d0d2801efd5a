#include "focus/FocusWatcher.h"

#include <algorithm>

namespace ornyx::focus {

namespace {

// A property value up to its first NUL: X strings may or may not end in one.
std::string_view UpToNul(std::string_view value) {
    return value.substr(0, value.find('\0'));
}

}  // namespace

std::vector<std::string> NamesOfWindow(std::string_view gtkApplicationId,
                                       std::string_view kdeDesktopFile, std::string_view wmClass) {
    std::vector<std::string> names;
    const auto add = [&names](std::string_view name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
    };
    add(UpToNul(gtkApplicationId));
    std::string_view kde = UpToNul(kdeDesktopFile);
    // Some programs set the file's path or name rather than its id.
    if (const std::size_t slash = kde.rfind('/'); slash != std::string_view::npos)
        kde.remove_prefix(slash + 1);
    constexpr std::string_view kSuffix = ".desktop";
    if (kde.size() > kSuffix.size() && kde.ends_with(kSuffix)) kde.remove_suffix(kSuffix.size());
    add(kde);
    // "instance\0class\0": the class names the program, the instance may
    // name it too (xterm -name); a value without the first NUL holds no class.
    if (const std::size_t nul = wmClass.find('\0'); nul != std::string_view::npos) {
        add(UpToNul(wmClass.substr(nul + 1)));
        add(wmClass.substr(0, nul));
    }
    return names;
}

}  // namespace ornyx::focus
