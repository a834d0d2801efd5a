#include "session/ProfileJson.h"

#include <array>
#include <span>

#include "common/DebugLog.h"
#include "common/Hex.h"
#include "i18n/Texts.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"

namespace ornyx::settings {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kFormat = "ornyx-mouse-profile";

// The parameter arrays: every per-slot array but the function itself.
constexpr std::span<const SlotArrayName> kParams = std::span(kSlotArrayNames).subspan(1);

// Bytes that no named field covers.
constexpr std::array<std::size_t, 7> kReservedOffsets = {1920, 1921, 1922, 1923, 1924, 1926, 1954};

std::string FunctionName(std::size_t index) {
    return std::string(i18n::ButtonFunctionName(i18n::Language::English, index));
}

// A byte shown by its name when the list has one, else as a number.
json NameOrNumber(std::uint8_t value, std::span<const std::string_view> names) {
    if (value < names.size() && !names[value].empty()) return std::string(names[value]);
    return value;
}

std::vector<std::string_view> ModeNames() {
    std::vector<std::string_view> out;
    for (const auto& n : performance::LightingModeNames()) out.push_back(n.name);
    return out;
}

std::vector<std::string_view> EffectNames() {
    std::vector<std::string_view> out;
    for (const auto& n : performance::ColourEffectNames()) out.push_back(n.name);
    return out;
}

const char* ModeLetter(Mode m) { return m == Mode::A ? "A" : "B"; }

// Field-checking reader: the first failure wins and names its path.
class Reader {
public:
    std::string error;

    bool Fail(const std::string& path, const std::string& what) {
        if (error.empty()) error = path + ": " + what;
        return false;
    }

    const nlohmann::json* Field(const nlohmann::json& object, const std::string& path,
                                const char* key) {
        if (!object.is_object()) {
            Fail(path.empty() ? "profile" : path, "must be an object");
            return nullptr;
        }
        const auto it = object.find(key);
        if (it == object.end()) {
            Fail(path.empty() ? std::string(key) : path + "." + key, "is missing");
            return nullptr;
        }
        return &*it;
    }

    bool Byte(const nlohmann::json& value, const std::string& path, std::uint8_t& out) {
        if (!value.is_number_integer() || value.get<long long>() < 0 || value.get<long long>() > 255) {
            return Fail(path, "must be a whole number from 0 to 255");
        }
        out = static_cast<std::uint8_t>(value.get<int>());
        return true;
    }

    bool ByteField(const nlohmann::json& object, const std::string& path, const char* key,
                   std::uint8_t& out) {
        const auto* v = Field(object, path, key);
        return v != nullptr && Byte(*v, path.empty() ? std::string(key) : path + "." + key, out);
    }

    bool NameOrByte(const nlohmann::json& value, const std::string& path,
                    std::span<const std::string_view> names, std::uint8_t& out) {
        if (value.is_string()) {
            const std::string s = value.get<std::string>();
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (!names[i].empty() && names[i] == s) {
                    out = static_cast<std::uint8_t>(i);
                    return true;
                }
            }
            std::string known;
            for (auto n : names) {
                if (!n.empty()) known += (known.empty() ? "" : ", ") + std::string("\"") + std::string(n) + "\"";
            }
            return Fail(path, "unknown name \"" + s + "\" (known: " + known + ")");
        }
        return Byte(value, path, out);
    }

    bool Hex(const nlohmann::json& value, const std::string& path, std::size_t size,
             std::vector<std::uint8_t>& out) {
        if (!value.is_string()) return Fail(path, "must be a string of hex digits");
        const auto bytes = ParseHex(value.get<std::string>());
        if (!bytes || bytes->size() != size) {
            return Fail(path, "must be " + std::to_string(size * 2) + " hex digits");
        }
        out = *bytes;
        return true;
    }

    bool Text(const nlohmann::json& value, const std::string& path, std::string& out) {
        if (!value.is_string()) return Fail(path, "must be a string");
        out = value.get<std::string>();
        return true;
    }
};

}  // namespace

json ExportProfile(const Profile& profile) {
    const SettingsImage& image = profile.image;
    json doc;
    doc["format"] = kFormat;
    doc["version"] = kProfileVersion;
    doc["first_run_flag"] = profile.firstRunFlag;
    doc["shown_mode"] = image.shownMode() == 0 ? json("A") : image.shownMode() == 1 ? json("B") : json(image.shownMode());

    std::vector<std::string> functionNames;
    for (std::size_t i = 0; i < 16; ++i) functionNames.push_back(FunctionName(i));
    const std::vector<std::string_view> functionViews(functionNames.begin(), functionNames.end());

    json buttons;
    for (Mode mode : {Mode::A, Mode::B}) {
        json slots = json::array();
        for (std::size_t s = 0; s < SettingsImage::kSlots; ++s) {
            json slot;
            slot["button"] = s + 1;
            slot["function"] = NameOrNumber(image.function(mode, s), functionViews);
            slot["label"] = profile.labels[i18n::LabelIndex(mode, s)];
            json params;
            for (const SlotArrayName& p : kParams) params[p.name] = image.slot(mode, p.array, s);
            params["dpi_variant"] = image.dpiVariant(mode, s);
            slot["parameters"] = params;
            slots.push_back(slot);
        }
        buttons[ModeLetter(mode)] = slots;
    }
    doc["buttons"] = buttons;

    const auto hz = performance::ReportRateHz(image.reportRate());
    if (hz != 0) {
        doc["report_rate_hz"] = hz;
    } else {
        doc["report_rate_code"] = image.reportRate();
    }

    json levels = json::array();
    for (std::size_t level = 1; level <= 4; ++level) {
        const auto rgb = image.dpiColour(level);
        levels.push_back({{"level", level},
                          {"step", image.dpiStep(level)},
                          {"dpi", performance::DpiLabel(0, image.dpiStep(level))},
                          {"enabled", image.dpiEnabled(level) <= 1 ? json(image.dpiEnabled(level) == 1)
                                                                   : json(image.dpiEnabled(level))},
                          {"colour", Format("#%02x%02x%02x", rgb[0], rgb[1], rgb[2])}});
    }
    // DPI values are those of sensor type 0; the step is what is stored.
    doc["dpi"] = {{"sensor_type", 0}, {"levels", levels}};

    const auto modes = ModeNames();
    const auto effects = EffectNames();
    doc["lighting"] = {
        {"mode", NameOrNumber(image.lightingMode(), modes)},
        {"standard_brightness", NameOrNumber(image.standardBrightness(), performance::LightingParameterNames(1))},
        {"respiration_period", NameOrNumber(image.respirationPeriod(), performance::LightingParameterNames(2))},
        {"neon_period", NameOrNumber(image.neonPeriod(), performance::LightingParameterNames(3))},
        {"standard_effect", NameOrNumber(image.standardColourEffect(), effects)},
        {"respiration_effect", NameOrNumber(image.respirationColourEffect(), effects)},
        {"neon_effect", NameOrNumber(image.neonColourEffect(), effects)}};
    doc["pointer"] = {{"enhanced_precision", image.enhancedPointerPrecision()},
                      {"scroll_one_page", image.scrollOnePage()},
                      {"speed", image.pointerSpeed()},
                      {"scroll_lines", image.scrollLines()},
                      {"double_click_speed", image.doubleClickSpeed()}};

    json macros = json::array();
    for (const ProfileMacro& m : profile.macros) {
        macros.push_back({{"name", m.name}, {"loop_times", m.loopTimes}, {"items", m.items}});
    }
    doc["macros"] = macros;
    json slots = json::array();
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i) slots.push_back(HexCompact(image.macroSlot(i)));
    doc["macro_slots_hex"] = slots;
    std::vector<std::uint8_t> reserved;
    for (std::size_t off : kReservedOffsets) reserved.push_back(image.bytes[off]);
    doc["reserved_hex"] = HexCompact(reserved);
    return doc;
}

std::optional<Profile> ImportProfile(const nlohmann::json& doc, std::string& error) {
    Reader r;
    Profile p;
    SettingsImage& image = p.image;
    const auto done = [&]() -> std::optional<Profile> {
        error = r.error;
        return std::nullopt;
    };

    if (!doc.is_object()) {
        error = "the profile must be a JSON object";
        return std::nullopt;
    }
    const auto* format = r.Field(doc, "", "format");
    if (format == nullptr) return done();
    if (*format != kFormat) {
        r.Fail("format", std::string("must be \"") + kFormat + "\"");
        return done();
    }
    const auto* version = r.Field(doc, "", "version");
    if (version == nullptr) return done();
    if (!version->is_number_integer() || version->get<long long>() != kProfileVersion) {
        r.Fail("version", "this program reads version " + std::to_string(kProfileVersion));
        return done();
    }
    if (!r.ByteField(doc, "", "first_run_flag", p.firstRunFlag)) return done();

    const std::array<std::string_view, 2> modeLetters = {"A", "B"};
    if (const auto* shown = r.Field(doc, "", "shown_mode")) {
        if (!r.NameOrByte(*shown, "shown_mode", modeLetters, image.shownMode())) return done();
    } else {
        return done();
    }

    std::vector<std::string> functionNames;
    for (std::size_t i = 0; i < 16; ++i) functionNames.push_back(FunctionName(i));
    const std::vector<std::string_view> functionViews(functionNames.begin(), functionNames.end());

    const auto* buttons = r.Field(doc, "", "buttons");
    if (buttons == nullptr) return done();
    for (Mode mode : {Mode::A, Mode::B}) {
        const std::string modePath = std::string("buttons.") + ModeLetter(mode);
        const auto* slots = r.Field(*buttons, "buttons", ModeLetter(mode));
        if (slots == nullptr) return done();
        if (!slots->is_array() || slots->size() != SettingsImage::kSlots) {
            r.Fail(modePath, "must list the 12 buttons");
            return done();
        }
        for (std::size_t s = 0; s < SettingsImage::kSlots; ++s) {
            const std::string path = modePath + "[" + std::to_string(s) + "]";
            const nlohmann::json& slot = (*slots)[s];
            const auto* function = r.Field(slot, path, "function");
            if (function == nullptr ||
                !r.NameOrByte(*function, path + ".function", functionViews, image.function(mode, s))) {
                return done();
            }
            const auto* label = r.Field(slot, path, "label");
            if (label == nullptr || !r.Text(*label, path + ".label", p.labels[i18n::LabelIndex(mode, s)])) {
                return done();
            }
            const auto* params = r.Field(slot, path, "parameters");
            if (params == nullptr) return done();
            for (const SlotArrayName& prm : kParams) {
                if (!r.ByteField(*params, path + ".parameters", prm.name, image.slot(mode, prm.array, s))) {
                    return done();
                }
            }
            if (!r.ByteField(*params, path + ".parameters", "dpi_variant", image.dpiVariant(mode, s))) {
                return done();
            }
        }
    }

    const bool hasHz = doc.contains("report_rate_hz");
    const bool hasCode = doc.contains("report_rate_code");
    if (hasHz == hasCode) {
        r.Fail("report_rate_hz", "give either report_rate_hz (125, 250, 500, 1000) or report_rate_code");
        return done();
    }
    if (hasHz) {
        const auto& hz = doc["report_rate_hz"];
        bool found = false;
        for (const auto& rate : performance::ReportRates()) {
            if (hz.is_number_integer() && hz.get<long long>() == rate.hz) {
                image.reportRate() = rate.code;
                found = true;
            }
        }
        if (!found) {
            r.Fail("report_rate_hz", "must be 125, 250, 500 or 1000");
            return done();
        }
    } else if (!r.Byte(doc["report_rate_code"], "report_rate_code", image.reportRate())) {
        return done();
    }

    const auto* dpi = r.Field(doc, "", "dpi");
    if (dpi == nullptr) return done();
    std::uint8_t sensorType = 0;
    if (!r.ByteField(*dpi, "dpi", "sensor_type", sensorType)) return done();
    const auto* levels = r.Field(*dpi, "dpi", "levels");
    if (levels == nullptr) return done();
    if (!levels->is_array() || levels->size() != 4) {
        r.Fail("dpi.levels", "must list the 4 DPI levels");
        return done();
    }
    for (std::size_t level = 1; level <= 4; ++level) {
        const std::string path = "dpi.levels[" + std::to_string(level - 1) + "]";
        const nlohmann::json& l = (*levels)[level - 1];
        if (!r.ByteField(l, path, "step", image.dpiStep(level))) return done();
        if (l.contains("dpi")) {
            const std::string expected = performance::DpiLabel(sensorType, image.dpiStep(level));
            if (!l["dpi"].is_string() || l["dpi"].get<std::string>() != expected) {
                r.Fail(path + ".dpi", "does not match step " + std::to_string(image.dpiStep(level)) +
                                          " (\"" + expected + "\" for sensor type " +
                                          std::to_string(sensorType) + "); change the step instead");
                return done();
            }
        }
        const auto* enabled = r.Field(l, path, "enabled");
        if (enabled == nullptr) return done();
        if (enabled->is_boolean()) {
            image.dpiEnabled(level) = enabled->get<bool>() ? 1 : 0;
        } else if (!r.Byte(*enabled, path + ".enabled", image.dpiEnabled(level))) {
            return done();
        }
        const auto* colour = r.Field(l, path, "colour");
        if (colour == nullptr) return done();
        const std::string c = colour->is_string() ? colour->get<std::string>() : "";
        const auto rgb = c.size() == 7 && c[0] == '#' ? ParseHex(c.substr(1)) : std::nullopt;
        if (!rgb || rgb->size() != 3) {
            r.Fail(path + ".colour", "must be #rrggbb");
            return done();
        }
        std::copy(rgb->begin(), rgb->end(), image.dpiColour(level).begin());
    }

    const auto* lighting = r.Field(doc, "", "lighting");
    if (lighting == nullptr) return done();
    const auto modes = ModeNames();
    const auto effects = EffectNames();
    struct NamedByte {
        const char* key;
        std::span<const std::string_view> names;
        std::uint8_t& target;
    };
    const NamedByte named[] = {
        {"mode", modes, image.lightingMode()},
        {"standard_brightness", performance::LightingParameterNames(1), image.standardBrightness()},
        {"respiration_period", performance::LightingParameterNames(2), image.respirationPeriod()},
        {"neon_period", performance::LightingParameterNames(3), image.neonPeriod()},
        {"standard_effect", effects, image.standardColourEffect()},
        {"respiration_effect", effects, image.respirationColourEffect()},
        {"neon_effect", effects, image.neonColourEffect()},
    };
    for (const NamedByte& n : named) {
        const auto* v = r.Field(*lighting, "lighting", n.key);
        if (v == nullptr || !r.NameOrByte(*v, std::string("lighting.") + n.key, n.names, n.target)) {
            return done();
        }
    }

    const auto* pointer = r.Field(doc, "", "pointer");
    if (pointer == nullptr) return done();
    if (!r.ByteField(*pointer, "pointer", "enhanced_precision", image.enhancedPointerPrecision()) ||
        !r.ByteField(*pointer, "pointer", "scroll_one_page", image.scrollOnePage()) ||
        !r.ByteField(*pointer, "pointer", "speed", image.pointerSpeed()) ||
        !r.ByteField(*pointer, "pointer", "scroll_lines", image.scrollLines()) ||
        !r.ByteField(*pointer, "pointer", "double_click_speed", image.doubleClickSpeed())) {
        return done();
    }

    const auto* macros = r.Field(doc, "", "macros");
    if (macros == nullptr) return done();
    if (!macros->is_array()) {
        r.Fail("macros", "must be a list");
        return done();
    }
    for (std::size_t i = 0; i < macros->size(); ++i) {
        const std::string path = "macros[" + std::to_string(i) + "]";
        ProfileMacro m;
        const auto* name = r.Field((*macros)[i], path, "name");
        const auto* loops = r.Field((*macros)[i], path, "loop_times");
        const auto* items = r.Field((*macros)[i], path, "items");
        if (name == nullptr || !r.Text(*name, path + ".name", m.name) || loops == nullptr ||
            !r.Text(*loops, path + ".loop_times", m.loopTimes) || items == nullptr) {
            return done();
        }
        if (!items->is_array()) {
            r.Fail(path + ".items", "must be a list of item texts");
            return done();
        }
        for (std::size_t k = 0; k < items->size(); ++k) {
            std::string item;
            if (!r.Text((*items)[k], path + ".items[" + std::to_string(k) + "]", item)) return done();
            m.items.push_back(item);
        }
        p.macros.push_back(std::move(m));
    }

    const auto* slots = r.Field(doc, "", "macro_slots_hex");
    if (slots == nullptr) return done();
    if (!slots->is_array() || slots->size() != SettingsImage::kMacroSlots) {
        r.Fail("macro_slots_hex", "must list the 12 macro slots");
        return done();
    }
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i) {
        std::vector<std::uint8_t> bytes;
        if (!r.Hex((*slots)[i - 1], "macro_slots_hex[" + std::to_string(i - 1) + "]",
                   SettingsImage::kMacroSlotSize, bytes)) {
            return done();
        }
        std::copy(bytes.begin(), bytes.end(), image.macroSlot(i).begin());
    }
    const auto* reserved = r.Field(doc, "", "reserved_hex");
    std::vector<std::uint8_t> bytes;
    if (reserved == nullptr || !r.Hex(*reserved, "reserved_hex", kReservedOffsets.size(), bytes)) {
        return done();
    }
    for (std::size_t i = 0; i < kReservedOffsets.size(); ++i) image.bytes[kReservedOffsets[i]] = bytes[i];
    return p;
}

}  // namespace ornyx::settings
