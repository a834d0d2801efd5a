// The system's own normaliser (normaliz) and invariant lower-casing.
#include <windows.h>

#include "common/Utf8.h"
#include "profiles/NameFold.h"

namespace ornyx::profiles {

namespace {

std::optional<std::wstring> Nfc(const std::wstring& text) {
    if (text.empty()) return text;
    // The first guess may be short; the call says how much it needs.
    int size =
        NormalizeString(NormalizationC, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
        std::wstring out(static_cast<std::size_t>(size), L'\0');
        const int written = NormalizeString(NormalizationC, text.c_str(),
                                            static_cast<int>(text.size()), out.data(), size);
        if (written > 0) {
            out.resize(static_cast<std::size_t>(written));
            return out;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        size = -written;
    }
    return std::nullopt;
}

std::wstring Wide(std::string_view text) {
    const std::u16string u = utf8::ToUtf16(text);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const std::wstring& text) {
    return utf8::FromUtf16(std::u16string(text.begin(), text.end()));
}

}  // namespace

std::optional<std::string> ComposeName(std::string_view name) {
    const auto composed = Nfc(Wide(name));
    if (!composed) return std::nullopt;
    return Narrow(*composed);
}

std::optional<std::string> FoldName(std::string_view name) {
    const auto composed = Nfc(Wide(name));
    if (!composed) return std::nullopt;
    if (composed->empty()) return std::string();
    std::wstring lower(composed->size(), L'\0');
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, composed->c_str(),
                                static_cast<int>(composed->size()), lower.data(),
                                static_cast<int>(lower.size()), nullptr, nullptr, 0);
    if (n <= 0) return std::nullopt;
    lower.resize(static_cast<std::size_t>(n));
    const auto again = Nfc(lower);
    if (!again) return std::nullopt;
    return Narrow(*again);
}

}  // namespace ornyx::profiles
