// `ornyxctl show`: the saved settings, readable (the names `export` uses),
// or with --raw the settings image's fields as stored.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CliContext.h"
#include "common/DebugLog.h"
#include "common/Hex.h"
#include "i18n/Texts.h"
#include "keys/KeyFunction.h"
#include "macros/MacroStore.h"
#include "session/ProfileJson.h"

namespace ornyx::cli {

namespace {

using settings::Mode;
using settings::SettingsImage;
using json = nlohmann::ordered_json;

json ReportRateHz(std::uint8_t code) {
    switch (code) {
        case 1:
            return 1000;
        case 2:
            return 500;
        case 4:
            return 250;
        case 8:
            return 125;
        default:
            return nullptr;
    }
}

std::string Colour(std::span<const std::uint8_t, 3> rgb) {
    return Format("#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
}

json Decode(const SettingsImage& image, std::uint8_t firstRunFlag) {
    json out;
    out["first_run_flag"] = firstRunFlag;
    out["shown_mode"] = image.shownMode() == 0 ? "A" : (image.shownMode() == 1 ? "B" : "?");
    json modes = json::object();
    for (Mode mode : {Mode::A, Mode::B}) {
        json slots = json::array();
        for (std::size_t s = 0; s < SettingsImage::kSlots; ++s) {
            json slot;
            slot["slot"] = s;
            for (const auto& f : settings::kSlotArrayNames)
                slot[f.name] = image.slot(mode, f.array, s);
            slot["dpi_variant"] = image.dpiVariant(mode, s);
            slots.push_back(slot);
        }
        modes[mode == Mode::A ? "A" : "B"] = slots;
    }
    out["modes"] = modes;
    out["report_rate"] = {{"code", image.reportRate()}, {"hz", ReportRateHz(image.reportRate())}};
    json levels = json::array();
    for (std::size_t level = 1; level <= 4; ++level) {
        levels.push_back({{"level", level},
                          {"step", image.dpiStep(level)},
                          {"enabled", image.dpiEnabled(level) != 0},
                          {"colour", Colour(image.dpiColour(level))}});
    }
    out["dpi_levels"] = levels;
    out["lighting"] = {{"mode", image.lightingMode()},
                       {"standard_brightness", image.standardBrightness()},
                       {"respiration_period", image.respirationPeriod()},
                       {"neon_period", image.neonPeriod()},
                       {"standard_colour_effect", image.standardColourEffect()},
                       {"respiration_colour_effect", image.respirationColourEffect()},
                       {"neon_colour_effect", image.neonColourEffect()}};
    out["pointer"] = {{"enhanced_precision", image.enhancedPointerPrecision()},
                      {"scroll_one_page", image.scrollOnePage()},
                      {"speed", image.pointerSpeed()},
                      {"scroll_lines", image.scrollLines()},
                      {"double_click_speed", image.doubleClickSpeed()}};
    json macros = json::array();
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i) {
        macros.push_back({{"slot", i}, {"loop_count", image.macroSlot(i)[0]}});
    }
    out["macro_slots"] = macros;
    out["image_hex"] = HexCompact(image.bytes);
    return out;
}

void PrintText(const json& d) {
    std::printf("first-run flag: %d\n", d["first_run_flag"].get<int>());
    std::printf("shown mode:     %s\n", d["shown_mode"].get<std::string>().c_str());
    for (const char* mode : {"A", "B"}) {
        std::printf("Mode %s buttons:\n", mode);
        std::printf(
            "  slot func  mm-idx mm-use win-idx win-use fire:idx code speed times "
            "single combo:mod key1 key2 macro repeat dpi-var\n");
        for (const auto& s : d["modes"][mode]) {
            std::printf(
                "  %4d %4d  %6d   0x%02x %7d  0x%02x%02x      %3d 0x%02x %5d %5d"
                "   0x%02x       0x%02x 0x%02x 0x%02x %5d %6d %7d\n",
                s["slot"].get<int>(), s["function"].get<int>(), s["multimedia_index"].get<int>(),
                s["multimedia_usage"].get<int>(), s["windows_function_index"].get<int>(),
                s["windows_usage_high"].get<int>(), s["windows_usage_low"].get<int>(),
                s["fire_key_index"].get<int>(), s["fire_key_code"].get<int>(),
                s["fire_key_speed"].get<int>(), s["fire_key_times"].get<int>(),
                s["single_key"].get<int>(), s["combo_modifier"].get<int>(),
                s["combo_key1"].get<int>(), s["combo_key2"].get<int>(),
                s["macro_number"].get<int>(), s["macro_repeat_mode"].get<int>(),
                s["dpi_variant"].get<int>());
        }
    }
    const auto& rate = d["report_rate"];
    std::printf("report rate:    code %d%s\n", rate["code"].get<int>(),
                rate["hz"].is_null() ? " (not a valid rate)"
                                     : Format(" (%d Hz)", rate["hz"].get<int>()).c_str());
    for (const auto& l : d["dpi_levels"]) {
        std::printf("DPI level %d:    step %d, %s, colour %s\n", l["level"].get<int>(),
                    l["step"].get<int>(), l["enabled"].get<bool>() ? "on" : "off",
                    l["colour"].get<std::string>().c_str());
    }
    const auto& li = d["lighting"];
    std::printf(
        "lighting:       mode %d, brightness %d, respiration period %d, neon period %d, "
        "colour effects %d/%d/%d\n",
        li["mode"].get<int>(), li["standard_brightness"].get<int>(),
        li["respiration_period"].get<int>(), li["neon_period"].get<int>(),
        li["standard_colour_effect"].get<int>(), li["respiration_colour_effect"].get<int>(),
        li["neon_colour_effect"].get<int>());
    const auto& p = d["pointer"];
    std::printf(
        "pointer:        speed %d, scroll lines %d, one page %d, double-click %d, "
        "enhanced precision %d\n",
        p["speed"].get<int>(), p["scroll_lines"].get<int>(), p["scroll_one_page"].get<int>(),
        p["double_click_speed"].get<int>(), p["enhanced_precision"].get<int>());
    std::printf("macro slots:    loop counts");
    for (const auto& m : d["macro_slots"]) std::printf(" %d", m["loop_count"].get<int>());
    std::printf("\n");
}

// The profile as `export` writes it, from whatever the home holds (a
// missing config.bin reads as zeros, a missing record.ini as no macros).
json ReadableDocument(CliContext& context) {
    session::Profile profile;
    profile.firstRunFlag = context.settings().firstRunFlag;
    profile.image = context.settings().image;
    profile.labels = context.text().labels;
    if (const auto macros = macros::ReadAllMacros(context.paths().record)) {
        for (const macros::NamedMacro& m : *macros) {
            profile.macros.push_back({m.name, m.macro.loopTimes, m.macro.items});
        }
    }
    return session::ExportProfile(profile);
}

std::string Text(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
    return value.dump();
}

void PrintReadable(const json& d) {
    std::printf("shown mode:     %s\n", Text(d["shown_mode"]).c_str());
    const std::string keyOff(i18n::ButtonFunctionName(
        i18n::Language::English, static_cast<std::size_t>(keys::ButtonFunction::KeyOff)));
    for (const char* mode : {"A", "B"}) {
        std::printf("Mode %s buttons:\n", mode);
        std::size_t idle = 0;  // slots without a button that hold nothing
        for (const auto& b : d["buttons"][mode]) {
            std::string params;
            for (const auto& [name, value] : b["parameters"].items()) {
                if (value != 0) params += (params.empty() ? "" : ", ") + name + " " + value.dump();
            }
            const bool onMouse = b["button"].get<std::size_t>() <= SettingsImage::kSlotsWithButton;
            if (!onMouse && Text(b["function"]) == keyOff && params.empty()) {
                ++idle;
                continue;
            }
            std::printf("  %2d  %-22s label \"%s\"%s%s%s\n", b["button"].get<int>(),
                        Text(b["function"]).c_str(), b["label"].get<std::string>().c_str(),
                        params.empty() ? "" : "  ", params.c_str(),
                        onMouse ? "" : "  (no such button on the mouse)");
        }
        if (idle != 0) {
            std::printf(
                "  (%zu more slot%s without a button on the mouse, all %s; 'show --raw' "
                "lists them)\n",
                idle, idle == 1 ? "" : "s", keyOff.c_str());
        }
    }
    if (d.contains("report_rate_hz")) {
        std::printf("report rate:    %d Hz\n", d["report_rate_hz"].get<int>());
    } else {
        std::printf("report rate:    code %d (not a valid rate)\n",
                    d["report_rate_code"].get<int>());
    }
    for (const auto& l : d["dpi"]["levels"]) {
        std::printf("DPI level %d:    %s DPI, %s, colour %s\n", l["level"].get<int>(),
                    Text(l["dpi"]).c_str(), Text(l["enabled"]).c_str(), Text(l["colour"]).c_str());
    }
    const auto& li = d["lighting"];
    std::printf("lighting:       %s; standard: %s, %s; respiration: %s, %s; neon: %s, %s\n",
                Text(li["mode"]).c_str(), Text(li["standard_brightness"]).c_str(),
                Text(li["standard_effect"]).c_str(), Text(li["respiration_period"]).c_str(),
                Text(li["respiration_effect"]).c_str(), Text(li["neon_period"]).c_str(),
                Text(li["neon_effect"]).c_str());
    const auto& p = d["pointer"];
    std::printf(
        "pointer:        speed %s, scroll %s, double-click speed %s, enhanced precision %s\n",
        Text(p["speed"]).c_str(),
        p["scroll_one_page"] != 0 ? "one screen" : (Text(p["scroll_lines"]) + " lines").c_str(),
        Text(p["double_click_speed"]).c_str(), p["enhanced_precision"] != 0 ? "on" : "off");
    std::printf("macros:         %zu", d["macros"].size());
    for (const auto& m : d["macros"])
        std::printf("%s\"%s\"", &m == &d["macros"][0] ? ": " : ", ", Text(m["name"]).c_str());
    std::printf("\n");
}

}  // namespace

Command AddShowCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand("show", "Show the saved settings, by name");
    auto json = std::make_shared<bool>(false);
    auto raw = std::make_shared<bool>(false);
    app->add_flag("--json", *json, "Print JSON with the key names of 'export'");
    app->add_flag("--raw", *raw,
                  "The stored fields as numbers; with --json, the whole image as \"image_hex\"");
    app->footer(
        "Examples:\n"
        "  ornyxctl show\n"
        "  ornyxctl --home ~/mouse show --json | jq .dpi\n"
        "  ornyxctl show --raw");
    return {app, [json, raw](CliContext& context) {
                context.LoadSettings();
                if (context.configStatus() == settings::ConfigStatus::Unusable) {
                    std::fprintf(stderr,
                                 "ornyxctl: warning: %s cannot be read as a settings file; "
                                 "showing an all-zero image\n",
                                 context.paths().config.string().c_str());
                }
                if (*raw) {
                    const auto decoded =
                        Decode(context.settings().image, context.settings().firstRunFlag);
                    if (*json) {
                        std::printf("%s\n", decoded.dump(2).c_str());
                    } else {
                        std::printf("program home:   %s\n", context.paths().home.string().c_str());
                        PrintText(decoded);
                    }
                    return kOk;
                }
                const auto document = ReadableDocument(context);
                if (*json) {
                    std::printf("%s\n", document.dump(2).c_str());
                } else {
                    std::printf("program home:   %s\n", context.paths().home.string().c_str());
                    PrintReadable(document);
                }
                return kOk;
            }};
}

}  // namespace ornyx::cli
