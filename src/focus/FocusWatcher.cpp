#include "focus/FocusWatcher.h"

namespace ornyx::focus {

namespace {

// A property value up to its first NUL: X strings may or may not end in one.
std::string_view UpToNul(std::string_view value) {
    return value.substr(0, value.find('\0'));
}

}  // namespace

std::string ApplicationOfWindow(std::string_view gtkApplicationId, std::string_view kdeDesktopFile,
                                std::string_view wmClass) {
    if (const std::string_view gtk = UpToNul(gtkApplicationId); !gtk.empty())
        return std::string(gtk);
    if (std::string_view kde = UpToNul(kdeDesktopFile); !kde.empty()) {
        // Some programs set the file's path or name rather than its id.
        if (const std::size_t slash = kde.rfind('/'); slash != std::string_view::npos)
            kde.remove_prefix(slash + 1);
        constexpr std::string_view kSuffix = ".desktop";
        if (kde.size() > kSuffix.size() && kde.ends_with(kSuffix))
            kde.remove_suffix(kSuffix.size());
        if (!kde.empty()) return std::string(kde);
    }
    // The class follows the instance; a value without the instance's NUL
    // holds no class.
    const std::size_t nul = wmClass.find('\0');
    if (nul == std::string_view::npos) return {};
    return std::string(UpToNul(wmClass.substr(nul + 1)));
}

}  // namespace ornyx::focus
