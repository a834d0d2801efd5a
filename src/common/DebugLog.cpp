#include "common/DebugLog.h"

#include <cstdarg>
#include <vector>

namespace ornyx {

void StreamDebugLog::Write(const std::string& line) {
    std::fputs(line.c_str(), out_);
    if (line.empty() || line.back() != '\n') std::fputc('\n', out_);
    std::fflush(out_);
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt, args);
        out.assign(buf.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

}  // namespace ornyx
