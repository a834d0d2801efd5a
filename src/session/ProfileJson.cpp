#include "session/ProfileJson.h"

#include <array>
#include <span>
#include <unordered_set>

#include "common/DebugLog.h"
#include "common/Hex.h"
#include "i18n/Texts.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"

namespace ornyx::session {

using settings::kSlotArrayNames;
using settings::Mode;
using settings::SettingsImage;
using settings::SlotArrayName;

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kFormat = kProfileFormat;

// The parameter arrays: every per-slot array but the function itself.
constexpr std::span<const SlotArrayName> kParams = std::span(kSlotArrayNames).subspan(1);

// Bytes that no named field covers.
constexpr std::array<std::size_t, 7> kReservedOffsets = {1920, 1921, 1922, 1923, 1924, 1926, 1954};

std::vector<std::string_view> FunctionNames() {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < 16; ++i)
        out.push_back(i18n::ButtonFunctionName(i18n::Language::English, i));
    return out;
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

std::vector<std::string_view> ShownModeNames() {
    return {"A", "B"};
}

template <std::uint8_t kMode>
std::vector<std::string_view> ParameterNames() {
    const auto names = performance::LightingParameterNames(kMode);
    return {names.begin(), names.end()};
}

const char* ModeLetter(Mode m) {
    return m == Mode::A ? "A" : "B";
}

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
        if (!value.is_number_integer() || value.get<long long>() < 0 ||
            value.get<long long>() > 255) {
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
                if (!n.empty())
                    known +=
                        (known.empty() ? "" : ", ") + std::string("\"") + std::string(n) + "\"";
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

std::string Join(const std::string& path, const char* key) {
    return path.empty() ? std::string(key) : path + "." + key;
}

// The fields of the profile, each named once: its key, where it lives and
// what it accepts. Export and import both walk these tables.
enum class Kind {
    Number,    // a byte, 0..255
    Named,     // a byte shown by its name, else as a number
    Flag,      // true/false for 1/0, else the byte as a number
    Colour,    // three bytes as #rrggbb
    DpiLabel,  // the DPI value of the step stored just before it; checked, never stored
    Ordinal,   // the record's number, written for the reader and ignored on import
};

using NameList = std::vector<std::string_view> (*)();

// Where the first-run flag lives: beside the image, in the profile itself.
constexpr std::size_t kFirstRunFlag = SettingsImage::kSize;

struct Field {
    const char* key;
    std::size_t offset = 0;  // in the settings image (record 0); kFirstRunFlag
    Kind kind = Kind::Number;
    NameList names = nullptr;

    // Repeated records (the DPI levels) lay each field out as an array.
    std::size_t At(std::size_t record) const {
        return offset + record * (kind == Kind::Colour ? 3 : 1);
    }
};

template <class P>  // Profile or const Profile
auto& ByteAt(P& profile, std::size_t offset) {
    return offset == kFirstRunFlag ? profile.firstRunFlag : profile.image.bytes[offset];
}

// A group of fields in one JSON object ("" for the document itself).
struct Group {
    const char* key;
    std::span<const Field> fields;
};

constexpr Field kTopFields[] = {
    {"first_run_flag", kFirstRunFlag},
    {"shown_mode", SettingsImage::kShownMode, Kind::Named, ShownModeNames},
};
constexpr Field kLightingFields[] = {
    {"mode", SettingsImage::kLightingMode, Kind::Named, ModeNames},
    {"standard_brightness", SettingsImage::kStandardBrightness, Kind::Named, ParameterNames<1>},
    {"respiration_period", SettingsImage::kRespirationPeriod, Kind::Named, ParameterNames<2>},
    {"neon_period", SettingsImage::kNeonPeriod, Kind::Named, ParameterNames<3>},
    {"standard_effect", SettingsImage::kStandardColourEffect, Kind::Named, EffectNames},
    {"respiration_effect", SettingsImage::kRespirationColourEffect, Kind::Named, EffectNames},
    {"neon_effect", SettingsImage::kNeonColourEffect, Kind::Named, EffectNames},
};
constexpr Field kPointerFields[] = {
    {"enhanced_precision", SettingsImage::kEnhancedPointerPrecision},
    {"scroll_one_page", SettingsImage::kScrollOnePage},
    {"speed", SettingsImage::kPointerSpeed},
    {"scroll_lines", SettingsImage::kScrollLines},
    {"double_click_speed", SettingsImage::kDoubleClickSpeed},
};
constexpr Group kTop = {"", kTopFields};
constexpr Group kLighting = {"lighting", kLightingFields};
constexpr Group kPointer = {"pointer", kPointerFields};

constexpr const char* kDpiKey = "dpi";
constexpr std::size_t kDpiLevels = 4;
// One DPI level. The values are those of sensor type 0; the step is what is stored.
constexpr Field kLevelFields[] = {
    {"level", 0, Kind::Ordinal},
    {"step", SettingsImage::kDpiStep},
    {kDpiKey, SettingsImage::kDpiStep, Kind::DpiLabel},
    {"enabled", SettingsImage::kDpiEnabled, Kind::Flag},
    {"colour", SettingsImage::kDpiColour, Kind::Colour},
};

constexpr const char* kDpiVariantKey = "dpi_variant";

// ----- export -----

json FieldValue(const Field& f, const Profile& p, std::size_t record) {
    const std::uint8_t value = ByteAt(p, f.At(record));
    switch (f.kind) {
        case Kind::Named:
            return NameOrNumber(value, f.names());
        case Kind::Flag:
            return value <= 1 ? json(value == 1) : json(value);
        case Kind::Colour:
            return Format("#%02x%02x%02x", value, p.image.bytes[f.At(record) + 1],
                          p.image.bytes[f.At(record) + 2]);
        case Kind::DpiLabel:
            return performance::DpiLabel(0, value);
        case Kind::Ordinal:
            return record + 1;
        case Kind::Number:
            break;
    }
    return value;
}

void WriteFields(json& out, std::span<const Field> fields, const Profile& p,
                 std::size_t record = 0) {
    for (const Field& f : fields) out[f.key] = FieldValue(f, p, record);
}

void WriteGroup(json& doc, const Group& g, const Profile& p) {
    if (*g.key == '\0') return WriteFields(doc, g.fields, p);
    json object;
    WriteFields(object, g.fields, p);
    doc[g.key] = object;
}

json SlotValue(const Profile& p, Mode mode, std::size_t s,
               std::span<const std::string_view> functionNames) {
    const SettingsImage& image = p.image;
    json slot;
    slot["button"] = s + 1;
    slot["function"] = NameOrNumber(image.function(mode, s), functionNames);
    slot["label"] = p.labels[i18n::LabelIndex(mode, s)];
    json params;
    for (const SlotArrayName& prm : kParams) params[prm.name] = image.slot(mode, prm.array, s);
    params[kDpiVariantKey] = image.dpiVariant(mode, s);
    slot["parameters"] = params;
    return slot;
}

void WriteHeader(const Profile&, json& doc) {
    doc["format"] = kFormat;
    doc["version"] = kProfileVersion;
}

void WriteButtons(const Profile& p, json& doc) {
    const auto functionNames = FunctionNames();
    json buttons;
    for (Mode mode : {Mode::A, Mode::B}) {
        json slots = json::array();
        for (std::size_t s = 0; s < SettingsImage::kSlots; ++s)
            slots.push_back(SlotValue(p, mode, s, functionNames));
        buttons[ModeLetter(mode)] = slots;
    }
    doc["buttons"] = buttons;
}

void WriteReportRate(const Profile& p, json& doc) {
    const auto hz = performance::ReportRateHz(p.image.reportRate());
    if (hz != 0) {
        doc["report_rate_hz"] = hz;
    } else {
        doc["report_rate_code"] = p.image.reportRate();
    }
}

void WriteDpi(const Profile& p, json& doc) {
    json levels = json::array();
    for (std::size_t level = 0; level < kDpiLevels; ++level) {
        json object;
        WriteFields(object, kLevelFields, p, level);
        levels.push_back(object);
    }
    doc[kDpiKey] = {{"sensor_type", 0}, {"levels", levels}};
}

void WriteMacros(const Profile& p, json& doc) {
    json macros = json::array();
    for (const ProfileMacro& m : p.macros) {
        macros.push_back({{"name", m.name}, {"loop_times", m.loopTimes}, {"items", m.items}});
    }
    doc["macros"] = macros;
}

void WriteMacroSlots(const Profile& p, json& doc) {
    json slots = json::array();
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i)
        slots.push_back(HexCompact(p.image.macroSlot(i)));
    doc["macro_slots_hex"] = slots;
}

void WriteReserved(const Profile& p, json& doc) {
    std::vector<std::uint8_t> reserved;
    for (std::size_t off : kReservedOffsets) reserved.push_back(p.image.bytes[off]);
    doc["reserved_hex"] = HexCompact(reserved);
}

// ----- import -----

using In = nlohmann::json;

bool ReadField(const In& object, const std::string& path, const Field& f, Reader& r, Profile& p,
               std::size_t record = 0, std::uint8_t sensorType = 0) {
    if (f.kind == Kind::Ordinal) return true;
    if (f.kind == Kind::DpiLabel) {
        if (!object.contains(f.key)) return true;  // optional: the step decides
        const std::uint8_t step = ByteAt(p, f.At(record));
        const std::string expected = performance::DpiLabel(sensorType, step);
        const In& label = object[f.key];
        if (label.is_string() && label.get<std::string>() == expected) return true;
        return r.Fail(Join(path, f.key), "does not match step " + std::to_string(step) + " (\"" +
                                             expected + "\" for sensor type " +
                                             std::to_string(sensorType) +
                                             "); change the step instead");
    }
    const In* value = r.Field(object, path, f.key);
    if (value == nullptr) return false;
    const std::string at = Join(path, f.key);
    std::uint8_t& target = ByteAt(p, f.At(record));
    switch (f.kind) {
        case Kind::Named:
            return r.NameOrByte(*value, at, f.names(), target);
        case Kind::Flag:
            if (!value->is_boolean()) return r.Byte(*value, at, target);
            target = value->get<bool>() ? 1 : 0;
            return true;
        case Kind::Colour: {
            const std::string c = value->is_string() ? value->get<std::string>() : "";
            const auto rgb = c.size() == 7 && c[0] == '#' ? ParseHex(c.substr(1)) : std::nullopt;
            if (!rgb || rgb->size() != 3) return r.Fail(at, "must be #rrggbb");
            std::copy(rgb->begin(), rgb->end(),
                      p.image.bytes.begin() + static_cast<std::ptrdiff_t>(f.At(record)));
            return true;
        }
        default:
            return r.Byte(*value, at, target);
    }
}

bool ReadFields(const In& object, const std::string& path, std::span<const Field> fields, Reader& r,
                Profile& p, std::size_t record = 0, std::uint8_t sensorType = 0) {
    for (const Field& f : fields) {
        if (!ReadField(object, path, f, r, p, record, sensorType)) return false;
    }
    return true;
}

bool ReadGroup(const In& doc, const Group& g, Reader& r, Profile& p) {
    if (*g.key == '\0') return ReadFields(doc, "", g.fields, r, p);
    const In* object = r.Field(doc, "", g.key);
    return object != nullptr && ReadFields(*object, g.key, g.fields, r, p);
}

bool ReadHeader(const In& doc, Reader& r, Profile&) {
    const auto* format = r.Field(doc, "", "format");
    if (format == nullptr) return false;
    if (*format != kFormat) return r.Fail("format", std::string("must be \"") + kFormat + "\"");
    const auto* version = r.Field(doc, "", "version");
    if (version == nullptr) return false;
    if (!version->is_number_integer() || version->get<long long>() != kProfileVersion) {
        return r.Fail("version", "this program reads version " + std::to_string(kProfileVersion));
    }
    return true;
}

bool ReadSlot(const In& slot, const std::string& path, Mode mode, std::size_t s,
              std::span<const std::string_view> functionNames, Reader& r, Profile& p) {
    SettingsImage& image = p.image;
    const auto* function = r.Field(slot, path, "function");
    if (function == nullptr ||
        !r.NameOrByte(*function, path + ".function", functionNames, image.function(mode, s))) {
        return false;
    }
    const auto* label = r.Field(slot, path, "label");
    if (label == nullptr || !r.Text(*label, path + ".label", p.labels[i18n::LabelIndex(mode, s)]))
        return false;
    const auto* params = r.Field(slot, path, "parameters");
    if (params == nullptr) return false;
    const std::string paramPath = path + ".parameters";
    for (const SlotArrayName& prm : kParams) {
        if (!r.ByteField(*params, paramPath, prm.name, image.slot(mode, prm.array, s)))
            return false;
    }
    return r.ByteField(*params, paramPath, kDpiVariantKey, image.dpiVariant(mode, s));
}

bool ReadButtons(const In& doc, Reader& r, Profile& p) {
    const auto functionNames = FunctionNames();
    const auto* buttons = r.Field(doc, "", "buttons");
    if (buttons == nullptr) return false;
    for (Mode mode : {Mode::A, Mode::B}) {
        const std::string modePath = std::string("buttons.") + ModeLetter(mode);
        const auto* slots = r.Field(*buttons, "buttons", ModeLetter(mode));
        if (slots == nullptr) return false;
        if (!slots->is_array() || slots->size() != SettingsImage::kSlots) {
            return r.Fail(modePath, "must list the 12 buttons");
        }
        // By number, not by place: a reordered list must not swap buttons.
        std::array<bool, SettingsImage::kSlots> listed{};
        for (std::size_t k = 0; k < SettingsImage::kSlots; ++k) {
            const std::string path = modePath + "[" + std::to_string(k) + "]";
            const In* number = r.Field((*slots)[k], path, "button");
            if (number == nullptr) return false;
            if (!number->is_number_integer() || number->get<long long>() < 1 ||
                number->get<long long>() > static_cast<long long>(SettingsImage::kSlots)) {
                return r.Fail(path + ".button", "must be a button number from 1 to 12");
            }
            const std::size_t s = number->get<std::size_t>() - 1;
            if (listed[s]) {
                return r.Fail(path + ".button",
                              "button " + std::to_string(s + 1) + " is listed twice");
            }
            listed[s] = true;
            if (!ReadSlot((*slots)[k], path, mode, s, functionNames, r, p)) return false;
        }
    }
    return true;
}

bool ReadReportRate(const In& doc, Reader& r, Profile& p) {
    const auto hz = doc.find("report_rate_hz");
    const auto code = doc.find("report_rate_code");
    if ((hz == doc.end()) == (code == doc.end())) {
        return r.Fail("report_rate_hz",
                      "give either report_rate_hz (125, 250, 500, 1000) or report_rate_code");
    }
    if (hz == doc.end()) return r.Byte(*code, "report_rate_code", p.image.reportRate());
    for (const auto& rate : performance::ReportRates()) {
        if (hz->is_number_integer() && hz->get<long long>() == rate.hz) {
            p.image.reportRate() = rate.code;
            return true;
        }
    }
    return r.Fail("report_rate_hz", "must be 125, 250, 500 or 1000");
}

bool ReadDpi(const In& doc, Reader& r, Profile& p) {
    const auto* dpi = r.Field(doc, "", kDpiKey);
    if (dpi == nullptr) return false;
    std::uint8_t sensorType = 0;
    if (!r.ByteField(*dpi, kDpiKey, "sensor_type", sensorType)) return false;
    const auto* levels = r.Field(*dpi, kDpiKey, "levels");
    if (levels == nullptr) return false;
    if (!levels->is_array() || levels->size() != kDpiLevels)
        return r.Fail("dpi.levels", "must list the 4 DPI levels");
    for (std::size_t level = 0; level < kDpiLevels; ++level) {
        const std::string path = "dpi.levels[" + std::to_string(level) + "]";
        if (!ReadFields((*levels)[level], path, kLevelFields, r, p, level, sensorType))
            return false;
    }
    return true;
}

bool ReadMacro(const In& object, const std::string& path, Reader& r, ProfileMacro& m) {
    const auto* name = r.Field(object, path, "name");
    const auto* loops = r.Field(object, path, "loop_times");
    const auto* items = r.Field(object, path, "items");
    if (name == nullptr || !r.Text(*name, path + ".name", m.name) || loops == nullptr ||
        !r.Text(*loops, path + ".loop_times", m.loopTimes) || items == nullptr) {
        return false;
    }
    if (!items->is_array()) return r.Fail(path + ".items", "must be a list of item texts");
    for (std::size_t k = 0; k < items->size(); ++k) {
        std::string item;
        if (!r.Text((*items)[k], path + ".items[" + std::to_string(k) + "]", item)) return false;
        m.items.push_back(item);
    }
    return true;
}

bool ReadMacros(const In& doc, Reader& r, Profile& p) {
    const auto* macros = r.Field(doc, "", "macros");
    if (macros == nullptr) return false;
    if (!macros->is_array()) return r.Fail("macros", "must be a list");
    for (std::size_t i = 0; i < macros->size(); ++i) {
        ProfileMacro m;
        if (!ReadMacro((*macros)[i], "macros[" + std::to_string(i) + "]", r, m)) return false;
        p.macros.push_back(std::move(m));
    }
    return true;
}

bool ReadMacroSlots(const In& doc, Reader& r, Profile& p) {
    const auto* slots = r.Field(doc, "", "macro_slots_hex");
    if (slots == nullptr) return false;
    if (!slots->is_array() || slots->size() != SettingsImage::kMacroSlots) {
        return r.Fail("macro_slots_hex", "must list the 12 macro slots");
    }
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i) {
        std::vector<std::uint8_t> bytes;
        if (!r.Hex((*slots)[i - 1], "macro_slots_hex[" + std::to_string(i - 1) + "]",
                   SettingsImage::kMacroSlotSize, bytes)) {
            return false;
        }
        std::copy(bytes.begin(), bytes.end(), p.image.macroSlot(i).begin());
    }
    return true;
}

bool ReadReserved(const In& doc, Reader& r, Profile& p) {
    const auto* reserved = r.Field(doc, "", "reserved_hex");
    std::vector<std::uint8_t> bytes;
    if (reserved == nullptr || !r.Hex(*reserved, "reserved_hex", kReservedOffsets.size(), bytes))
        return false;
    for (std::size_t i = 0; i < kReservedOffsets.size(); ++i)
        p.image.bytes[kReservedOffsets[i]] = bytes[i];
    return true;
}

// The document's parts in the order they are written and checked.
struct Section {
    void (*write)(const Profile&, json&);
    bool (*read)(const In&, Reader&, Profile&);
};

constexpr Section kSections[] = {
    {WriteHeader, ReadHeader},
    {[](const Profile& p, json& doc) { WriteGroup(doc, kTop, p); },
     [](const In& doc, Reader& r, Profile& p) { return ReadGroup(doc, kTop, r, p); }},
    {WriteButtons, ReadButtons},
    {WriteReportRate, ReadReportRate},
    {WriteDpi, ReadDpi},
    {[](const Profile& p, json& doc) { WriteGroup(doc, kLighting, p); },
     [](const In& doc, Reader& r, Profile& p) { return ReadGroup(doc, kLighting, r, p); }},
    {[](const Profile& p, json& doc) { WriteGroup(doc, kPointer, p); },
     [](const In& doc, Reader& r, Profile& p) { return ReadGroup(doc, kPointer, r, p); }},
    {WriteMacros, ReadMacros},
    {WriteMacroSlots, ReadMacroSlots},
    {WriteReserved, ReadReserved},
};

}  // namespace

std::optional<nlohmann::json> ParseProfile(std::span<const std::uint8_t> text, std::string& error) {
    // The parser shows each key as it comes; one frame per open object or array
    // keeps the keys seen so far and where the next value is.
    struct Frame {
        bool array = false;
        std::size_t next = 0;  // for an array: the index of the next element
        std::string path;
        std::unordered_set<std::string> keys;
    };
    std::vector<Frame> open;
    std::string key;  // the last key read: the name of the value that follows
    std::string repeated;
    const auto pathOfNext = [&]() -> std::string {
        if (open.empty()) return {};
        Frame& f = open.back();
        if (f.array) return f.path + "[" + std::to_string(f.next++) + "]";
        return f.path.empty() ? key : f.path + "." + key;
    };
    using Event = nlohmann::json::parse_event_t;
    const auto watch = [&](int, Event event, nlohmann::json& parsed) {
        switch (event) {
            case Event::object_start:
            case Event::array_start: {
                Frame f;
                f.array = event == Event::array_start;
                f.path = pathOfNext();
                open.push_back(std::move(f));
                break;
            }
            case Event::object_end:
            case Event::array_end:
                if (!open.empty()) open.pop_back();
                break;
            case Event::key:
                key = parsed.get<std::string>();
                if (!open.empty() && !open.back().keys.insert(key).second && repeated.empty())
                    repeated = pathOfNext();
                break;
            case Event::value:
                if (!open.empty() && open.back().array) ++open.back().next;
                break;
        }
        return true;
    };
    nlohmann::json document = nlohmann::json::parse(text.begin(), text.end(), watch, false);
    if (document.is_discarded()) {
        error = "not valid JSON";
        return std::nullopt;
    }
    if (!repeated.empty()) {
        error = repeated + ": is given more than once";
        return std::nullopt;
    }
    return document;
}

json ExportProfile(const Profile& profile) {
    json doc;
    for (const Section& section : kSections) section.write(profile, doc);
    return doc;
}

std::optional<Profile> ImportProfile(const nlohmann::json& doc, std::string& error) {
    if (!doc.is_object()) {
        error = "the profile must be a JSON object";
        return std::nullopt;
    }
    Reader r;
    Profile p;
    for (const Section& section : kSections) {
        if (!section.read(doc, r, p)) {
            error = r.error;
            return std::nullopt;
        }
    }
    return p;
}

}  // namespace ornyx::session
