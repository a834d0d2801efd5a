// ICU's normaliser and case folding.
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "profiles/NameFold.h"

namespace ornyx::profiles {

namespace {

std::optional<icu::UnicodeString> Nfc(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::nullopt;
    icu::UnicodeString out = nfc->normalize(text, status);
    if (U_FAILURE(status)) return std::nullopt;
    return out;
}

std::string ToUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

std::optional<std::string> ComposeName(std::string_view name) {
    const auto composed = Nfc(icu::UnicodeString::fromUTF8(
        icu::StringPiece(name.data(), static_cast<std::int32_t>(name.size()))));
    if (!composed) return std::nullopt;
    return ToUtf8(*composed);
}

std::optional<std::string> FoldName(std::string_view name) {
    const auto composed = Nfc(icu::UnicodeString::fromUTF8(
        icu::StringPiece(name.data(), static_cast<std::int32_t>(name.size()))));
    if (!composed) return std::nullopt;
    icu::UnicodeString folded;
    for (std::int32_t i = 0; i < composed->length();) {
        const UChar32 c = composed->char32At(i);
        folded.append(u_foldCase(c, U_FOLD_CASE_DEFAULT));
        i += U16_LENGTH(c);
    }
    // Folding can leave a sequence that composes differently.
    const auto again = Nfc(folded);
    if (!again) return std::nullopt;
    return ToUtf8(*again);
}

}  // namespace ornyx::profiles
