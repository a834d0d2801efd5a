#include "i18n/Language.h"

#include <cstdlib>

namespace ornyx::i18n {

Language LanguageFromCode(std::string_view code) {
    if (code == "CHS") return Language::ChineseSimplified;
    if (code == "CHT") return Language::ChineseTraditional;
    if (code == "TUR") return Language::Turkish;
    return Language::English;
}

Language LanguageFromLocale(std::string_view locale) {
    // Strip the encoding and modifier: "zh_TW.UTF-8@stroke" -> "zh_TW".
    locale = locale.substr(0, locale.find_first_of(".@"));
    const std::string_view lang = locale.substr(0, locale.find('_'));
    const std::string_view territory = locale.find('_') == std::string_view::npos
                                           ? std::string_view()
                                           : locale.substr(locale.find('_') + 1);
    if (lang == "zh") {
        if (territory == "TW" || territory == "HK" || territory == "MO")
            return Language::ChineseTraditional;
        return Language::ChineseSimplified;
    }
    if (lang == "tr") return Language::Turkish;
    return Language::English;
}

std::string_view MessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
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
