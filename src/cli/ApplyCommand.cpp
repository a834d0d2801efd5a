// `ornyxctl apply` and `ornyxctl init`.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/CliContext.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"
#include "session/Apply.h"
#include "session/Defaults.h"

namespace ornyx::cli {

namespace {

int RunApply(CliContext& context) {
    context.LoadSettings(settings::HomeLock::Mode::Exclusive);
    // The image would be zeros, not the file: saving it would lose the file.
    if (context.configStatus() == settings::ConfigStatus::Unusable) {
        std::fprintf(stderr, "ornyxctl: %s\n", context.UnusableConfigText().c_str());
        return kFailure;
    }
    // Said before the mouse is looked for: without settings there is nothing to send.
    if (!context.session().settingsReady()) {
        std::fprintf(stderr, "ornyxctl: %s\n", context.MissingConfigText().c_str());
        return kFailure;
    }
    if (!context.OpenMouse()) return kNoMouse;
    // Unlike the window, which ran it when it found the mouse, this run has
    // not had the sensor handshake yet.
    const session::ApplyReport report = context.session().Apply({.handshakeFirst = true});
    if (report.refused) {
        std::fprintf(stderr, "ornyxctl: %s\n", context.MissingConfigText().c_str());
        return kFailure;
    }
    const session::ApplyResult& result = report.result;
    if (!result.ok()) {
        if (!report.traceError.empty()) return kUsage;  // the trace's own message says why
        const std::string saved =
            result.saved ? "the settings were saved in " + context.paths().config.string() +
                               (result.refusal.empty() ? " but did not all reach the mouse"
                                                       : " but did not reach the mouse")
                         : std::string(
                               "the settings did not all reach the mouse and were not "
                               "saved");
        std::fprintf(stderr, "ornyxctl: %s; %s\n",
                     session::ApplyFailureText(result, report.vanished).c_str(), saved.c_str());
        return report.vanished ? kNoMouse : kFailure;
    }
    // The mouse has them, but a run that could not save must not end as a success.
    if (!result.saved) {
        std::fprintf(stderr, "ornyxctl: the settings reached the mouse but %s was not saved\n",
                     context.paths().config.string().c_str());
        return kFailure;
    }

    const settings::SettingsImage& image = context.settings().image;
    const std::uint8_t sensor = context.link().state().sensorTypeInUse;
    std::string levels;
    for (std::size_t level = 1; level <= 4; ++level) {
        if (!levels.empty()) levels += " ";
        levels += performance::DpiLabel(sensor, image.dpiStep(level));
        if (image.dpiEnabled(level) == 0) levels += "(off)";
    }
    const auto hz = performance::ReportRateHz(image.reportRate());
    const auto lighting = performance::LightingModeName(image.lightingMode());
    std::printf("applied: %s, DPI %s, lighting %s, 12 macro slots, key matrices; saved %s\n",
                hz != 0 ? (std::to_string(hz) + " Hz").c_str() : "report rate code unknown",
                levels.c_str(), lighting.empty() ? "unknown" : std::string(lighting).c_str(),
                context.paths().config.string().c_str());
    return kOk;
}

int RunInit(CliContext& context) {
    context.ResolveHome();
    // The folder first, so that its lock can be taken before anything is written.
    std::error_code ec;
    std::filesystem::create_directories(context.paths().home, ec);
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    const session::InitResult result = session::InitProgramHome(context.paths());
    if (result.wroteConfig) std::printf("created %s\n", context.paths().config.string().c_str());
    if (result.wroteText) std::printf("created %s\n", context.paths().text.string().c_str());
    if (result.repairedText)
        std::printf("added missing keys to %s\n", context.paths().text.string().c_str());
    if (!result.failure.ok) {
        std::fprintf(stderr, "ornyxctl: %s\n", result.failure.error.c_str());
        return kFailure;
    }
    if (!result.wroteConfig && !result.wroteText && !result.repairedText) {
        std::printf("%s is ready; nothing to do\n", context.paths().home.string().c_str());
    }
    return kOk;
}

}  // namespace

Command AddApplyCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand(
        "apply", "Send the saved settings to the mouse, as the main window's Apply does");
    app->footer(
        "Runs the sensor handshake, sends every setting (report rate, lighting, DPI table,\n"
        "macro slots, key matrices), then saves config.bin and the button labels in str.ini.\n"
        "Examples:\n"
        "  ornyxctl apply\n"
        "  ornyxctl -v --trace apply.trace apply      each step, and every byte sent");
    return {app, RunApply};
}

Command AddInitCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand(
        "init", "Make a program home ready to use: default config.bin and str.ini");
    app->footer(
        "Never overwrites an existing file.\n"
        "Examples:\n"
        "  ornyxctl --home ~/mouse init");
    return {app, RunInit};
}

}  // namespace ornyx::cli
