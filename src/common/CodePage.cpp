#include "common/CodePage.h"

#include <iconv.h>

#include <cerrno>

namespace ornyx::codepage {

namespace {

const char* IconvName(unsigned codePage) {
    switch (codePage) {
        case kChineseSimplified:
            return "CP936";
        case kChineseTraditional:
            return "CP950";
        case kTurkish:
            return "CP1254";
        case kWestern:
            return "CP1252";
        default:
            return nullptr;
    }
}

// One whole conversion; any invalid or unconvertible sequence fails it, so
// nothing is ever replaced or dropped silently.
std::optional<std::string> Convert(std::string_view in, const char* to, const char* from) {
    if (to == nullptr || from == nullptr) return std::nullopt;
    iconv_t cd = iconv_open(to, from);
    // iconv_open reports failure as (iconv_t)-1.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());  // iconv's interface; it does not write
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok || srcLeft != 0) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

}  // namespace

std::optional<std::string> Decode(std::string_view bytes, unsigned codePage) {
    return Convert(bytes, "UTF-8", IconvName(codePage));
}

std::optional<std::string> Encode(std::string_view utf8, unsigned codePage) {
    return Convert(utf8, IconvName(codePage), "UTF-8");
}

}  // namespace ornyx::codepage
