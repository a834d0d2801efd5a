#include "common/CodePage.h"

namespace ornyx::codepage {

std::size_t UnreadableLength(std::string_view rest, unsigned codePage) {
    const bool doubleByte = codePage == kChineseSimplified || codePage == kChineseTraditional;
    // As Windows reads a double-byte code page: the byte after a lead byte
    // goes with it unless it is a control or ASCII below '@'.
    const auto lead = static_cast<unsigned char>(rest[0]);
    const bool pair = doubleByte && lead >= 0x81 && lead <= 0xFE && rest.size() >= 2 &&
                      static_cast<unsigned char>(rest[1]) >= 0x40 &&
                      static_cast<unsigned char>(rest[1]) != 0x7F;
    return pair ? 2 : 1;
}

}  // namespace ornyx::codepage
