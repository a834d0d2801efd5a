#include "common/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <utility>

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

// One conversion direction, opened once for any number of pieces.
class Converter {
public:
    Converter(const char* to, const char* from) {
        // iconv_open reports failure as (iconv_t)-1.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        if (to != nullptr && from != nullptr) cd_ = iconv_open(to, from);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }

    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in` whole. A sequence without meaning fails the conversion, or,
    // with `replace`, is given to it to skip: it returns how many bytes to skip
    // and appends what stands for them.
    template <typename Replace>
    std::optional<std::string> Run(std::string_view in, Replace&& replace) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start for each piece
        std::string out(in.size() * 4 + 16, '\0');
        char* src = const_cast<char*>(in.data());  // iconv's interface; it does not write
        std::size_t srcLeft = in.size();
        std::size_t used = 0;
        while (true) {
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            const bool done =
                iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
                iconv(cd_, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
            const int err = errno;
            used = out.size() - dstLeft;
            if (done) break;
            if (err == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if ((err != EILSEQ && err != EINVAL) || srcLeft == 0) return std::nullopt;
            std::string stand;
            const std::optional<std::size_t> skip = replace(std::string_view(src, srcLeft), stand);
            if (!skip) return std::nullopt;
            if (out.size() - used < stand.size()) out.resize(out.size() * 2 + stand.size());
            out.replace(used, stand.size(), stand);
            used += stand.size();
            src += *skip;
            srcLeft -= *skip;
        }
        out.resize(used);
        return out;
    }

    // Fails at the first sequence without meaning, so that nothing is ever
    // replaced or dropped silently.
    std::optional<std::string> Exact(std::string_view in) {
        return Run(in, [](std::string_view, std::string&) { return std::optional<std::size_t>(); });
    }

private:
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
};

}  // namespace

std::optional<std::string> Decode(std::string_view bytes, unsigned codePage) {
    Converter decoder("UTF-8", IconvName(codePage));
    if (!decoder.ok()) return std::nullopt;
    return decoder.Exact(bytes);
}

std::optional<std::string> Encode(std::string_view utf8, unsigned codePage) {
    Converter encoder(IconvName(codePage), "UTF-8");
    if (!encoder.ok()) return std::nullopt;
    return encoder.Exact(utf8);
}

std::vector<Decoded> DecodeEach(std::span<const std::string_view> pieces, unsigned codePage) {
    Converter decoder("UTF-8", IconvName(codePage));
    Converter encoder(IconvName(codePage), "UTF-8");
    if (!decoder.ok() || !encoder.ok()) return {};
    std::vector<Decoded> out;
    out.reserve(pieces.size());
    for (const std::string_view piece : pieces) {
        bool replaced = false;
        std::optional<std::string> text =
            decoder.Run(piece, [&](std::string_view rest, std::string& stand) {
                replaced = true;
                stand = "\xEF\xBF\xBD";  // U+FFFD
                return std::optional<std::size_t>(UnreadableLength(rest, codePage));
            });
        Decoded d;
        if (!text) {  // the converter failed for another reason: every byte unreadable
            for (std::size_t i = 0; i < piece.size(); ++i) d.text += "\xEF\xBF\xBD";
        } else {
            d.text = std::move(*text);
            d.exact = !replaced && encoder.Exact(d.text) == piece;
        }
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace ornyx::codepage
