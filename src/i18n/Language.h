#pragma once

#include <string_view>

namespace ornyx::i18n {

// The four languages of the user interface. The values index the language
// columns of the text tables, so their order is fixed.
enum class Language { ChineseSimplified = 0, ChineseTraditional = 1, Turkish = 2, English = 3 };

inline constexpr int kLanguageCount = 4;

// The language of a "Lan" value of str.ini. Only the exact upper-case codes
// "CHS", "CHT" and "TUR" select a language; anything else, including the lower-case
// forms and an empty or missing value, means English. Installed str.ini files
// depend on this rule, so it is not relaxed.
Language LanguageFromCode(std::string_view code);

// The language of a POSIX locale name ("zh_CN.UTF-8", "tr_TR", ...) for a
// first run that has no "Lan" yet: zh_CN and zh_SG Simplified Chinese, zh_TW,
// zh_HK and zh_MO Traditional Chinese, tr Turkish, anything else English.
Language LanguageFromLocale(std::string_view locale);

// The locale that names the language of messages: LC_ALL, LC_MESSAGES or
// LANG, the first that is set and not empty; empty when none is.
std::string_view MessagesLocale();

// "CHS", "CHT", "TUR" or "EN" (the suffix of the English label section; the
// language rule gives "EN" no meaning of its own).
std::string_view LanguageCode(Language language);

// Column of a language in the text tables: 0..3.
constexpr int LanguageIndex(Language language) {
    return static_cast<int>(language);
}

// A font request as the windows make it: a family name that fontconfig resolves
// (Arial to Liberation Sans, the Chinese faces to WenQuanYi), a height in pixels
// and a weight (400 normal, 700 bold).
struct FontRequest {
    std::string_view family;
    int pixelHeight = 0;
    int weight = 400;
};

// The normal font (captions, lists, every pop-up) and the title font (page titles).
struct LanguageFonts {
    FontRequest normal;
    FontRequest title;
};

// Simplified Chinese used "黑体" only on one Windows release and "宋体" elsewhere;
// there is no such release here, so the caller says which face it wants
// (false: "宋体", the usual case).
LanguageFonts FontsFor(Language language, bool simplifiedUsesHeiti = false);

}  // namespace ornyx::i18n
