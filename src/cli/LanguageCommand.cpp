// `ornyxctl language`: shows or sets the language of the user interface.
#include <cstdio>
#include <memory>

#include "cli/CliContext.h"
#include "i18n/Language.h"

namespace ornyx::cli {

Command AddLanguageCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand(
        "language", "Show the language of the window and its notifications, or set it");
    auto code = std::make_shared<std::string>();
    app->add_option("CODE", *code, "CHS, CHT, TUR or EN")
        ->check(CLI::IsMember({"CHS", "CHT", "TUR", "EN"}));
    app->footer(
        "Without a setting the language follows the locale (zh_CN: CHS, zh_TW and zh_HK: CHT,\n"
        "tr: TUR, anything else: EN). The window takes a new language at its next start.\n"
        "Examples:\n"
        "  ornyxctl language\n"
        "  ornyxctl language TUR");
    return {app, [app, code](CliContext& context) {
                context.LoadSettings();
                const i18n::TextSettings& text = context.text();
                if (app->get_option("CODE")->count() == 0) {
                    std::printf("%s%s\n", std::string(i18n::LanguageCode(text.language)).c_str(),
                                text.languageFromLocale ? " (from the locale)" : "");
                    return kOk;
                }
                const WriteResult written =
                    i18n::SaveLanguage(context.paths().text, i18n::LanguageFromCode(*code));
                if (!written.ok) {
                    std::fprintf(stderr, "ornyxctl: cannot write %s: %s\n",
                                 context.paths().text.string().c_str(), written.error.c_str());
                    return kFailure;
                }
                std::printf("language set to %s in %s\n", code->c_str(),
                            context.paths().text.string().c_str());
                return kOk;
            }};
}

}  // namespace ornyx::cli
