#include "i18n/Language.h"

namespace ornyx::i18n {

Language LanguageFromCode(std::string_view code) {
    if (code == "CHS")
        return Language::ChineseSimplified;
    if (code == "CHT")
        return Language::ChineseTraditional;
    if (code == "TUR")
        return Language::Turkish;
    return Language::English;
}

std::string_view LanguageCode(Language language) {
    switch (language) {
        case Language::ChineseSimplified:
            return "CHS";
        case Language::ChineseTraditional:
            return "CHT";
        case Language::Turkish:
            return "TUR";
        case Language::English:
            break;
    }
    return "EN";
}

LanguageFonts FontsFor(Language language, bool simplifiedUsesHeiti) {
    constexpr std::string_view kHeiti = "黑体";
    constexpr std::string_view kSongti = "宋体";
    switch (language) {
        case Language::ChineseSimplified: {
            const std::string_view face = simplifiedUsesHeiti ? kHeiti : kSongti;
            return {{face, 13, 400}, {face, 18, 700}};
        }
        case Language::ChineseTraditional:
            return {{kHeiti, 13, 400}, {kHeiti, 18, 700}};
        case Language::Turkish:
        case Language::English:
            break;
    }
    return {{"Arial", 14, 400}, {"Tahoma", 18, 700}};
}

}  // namespace ornyx::i18n
