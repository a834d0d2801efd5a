#include "performance/gnome/GnomePointerSettings.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cctype>
#include <cstdlib>

namespace ornyx::performance::gnome {
namespace {

constexpr const char* kSpeedKey = "speed";
constexpr const char* kAccelProfileKey = "accel-profile";
constexpr const char* kDoubleClickKey = "double-click";

// Owns one reference of a GObject-style handle.
template <typename T, void (*Release)(T*)>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    explicit Ref(T* handle) : p(handle) {}
    ~Ref() {
        if (p != nullptr) Release(p);
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p(other.p) { other.p = nullptr; }
    T* get() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

void UnrefObject(GSettings* s) {
    g_object_unref(s);
}
void UnrefBackend(GSettingsBackend* b) {
    g_object_unref(b);
}
using SettingsRef = Ref<GSettings, UnrefObject>;
using BackendRef = Ref<GSettingsBackend, UnrefBackend>;
using SchemaRef = Ref<GSettingsSchema, g_settings_schema_unref>;
using SourceRef = Ref<GSettingsSchemaSource, g_settings_schema_source_unref>;

// A key is usable only with the type the translation expects: reading a key of
// another type through the typed getters would be a programming error in gio.
bool HasKeyOfType(GSettingsSchema* schema, const char* key, const char* type) {
    if (g_settings_schema_has_key(schema, key) == FALSE) return false;
    GSettingsSchemaKey* k = g_settings_schema_get_key(schema, key);
    const bool ok = g_variant_type_equal(g_settings_schema_key_get_value_type(k),
                                         G_VARIANT_TYPE(type)) != FALSE;
    g_settings_schema_key_unref(k);
    return ok;
}

class GnomePointerSettings final : public PointerSettings {
public:
    GnomePointerSettings(SettingsRef settings, bool speed, bool accel, bool doubleClick)
        : settings_(std::move(settings)), speed_(speed), accel_(accel), doubleClick_(doubleClick) {}

    bool Has(PointerOption option) const override {
        switch (option) {
            case PointerOption::Precision:
                return accel_;
            case PointerOption::Speed:
                return speed_;
            case PointerOption::DoubleClick:
                return doubleClick_;
            case PointerOption::WheelLines:
                break;
        }
        return false;
    }

    std::optional<MouseParameters> GetMouseParameters() override {
        if (!accel_) return std::nullopt;
        return PrecisionForGnomeAccelProfile(AccelProfile()) ? kPrecisionOn : kPrecisionOff;
    }
    std::optional<int> GetSpeed() override {
        if (!speed_) return std::nullopt;
        return ClassicSpeedForGnome(g_settings_get_double(settings_.get(), kSpeedKey));
    }
    std::optional<int> GetWheelScrollLines() override { return std::nullopt; }
    std::optional<int> GetDoubleClickTime() override {
        if (!doubleClick_) return std::nullopt;
        return static_cast<int>(g_settings_get_int(settings_.get(), kDoubleClickKey));
    }

    bool SetMouseParameters(const MouseParameters& parameters) override {
        if (!accel_) return false;
        const std::string current = AccelProfile();
        const std::string wanted(GnomeAccelProfileFor(parameters, current));
        if (wanted == current)
            return g_settings_is_writable(settings_.get(), kAccelProfileKey) != FALSE;
        return Done(g_settings_set_string(settings_.get(), kAccelProfileKey, wanted.c_str()));
    }
    bool SetSpeed(int speed) override {
        if (!speed_) return false;
        return Done(g_settings_set_double(settings_.get(), kSpeedKey, GnomeSpeedForClassic(speed)));
    }
    bool SetWheelScrollLines(int) override { return false; }
    bool SetDoubleClickTime(int milliseconds) override {
        if (!doubleClick_ || milliseconds <= 0) return false;
        return Done(g_settings_set_int(settings_.get(), kDoubleClickKey, milliseconds));
    }

private:
    std::string AccelProfile() const {
        gchar* value = g_settings_get_string(settings_.get(), kAccelProfileKey);
        std::string profile = value != nullptr ? value : "";
        g_free(value);
        return profile;
    }
    // A write is refused when the key is locked; a written value reaches the
    // store before the page goes on, so that the next program to look sees it.
    static bool Done(gboolean written) {
        if (written == FALSE) return false;
        g_settings_sync();
        return true;
    }

    SettingsRef settings_;
    bool speed_;
    bool accel_;
    bool doubleClick_;
};

bool ContainsDesktop(std::string_view list, std::string_view name) {
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view item = list.substr(0, colon);
        if (item.size() == name.size()) {
            bool same = true;
            for (std::size_t i = 0; i < item.size() && same; ++i) {
                same = std::tolower(static_cast<unsigned char>(item[i])) ==
                       std::tolower(static_cast<unsigned char>(name[i]));
            }
            if (same) return true;
        }
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return false;
}

}  // namespace

std::unique_ptr<PointerSettings> CreateGnomePointerSettings(const GnomeSettingsOptions& options) {
    // Look the schema up first: creating settings for a schema that is not
    // installed ends the process inside gio.
    SourceRef own;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!options.schemaDir.empty()) {
        GError* error = nullptr;
        own.p = g_settings_schema_source_new_from_directory(options.schemaDir.c_str(), source,
                                                            FALSE, &error);
        if (error != nullptr) g_error_free(error);
        if (!own) return nullptr;
        source = own.get();
    }
    if (source == nullptr) return nullptr;
    SchemaRef schema(g_settings_schema_source_lookup(source, options.schemaId.c_str(), TRUE));
    if (!schema) return nullptr;

    const bool speed = HasKeyOfType(schema.get(), kSpeedKey, "d");
    const bool accel = HasKeyOfType(schema.get(), kAccelProfileKey, "s");
    const bool doubleClick = HasKeyOfType(schema.get(), kDoubleClickKey, "i");
    if (!speed && !accel && !doubleClick) return nullptr;
    // A relocatable schema has no path of its own; it is not the desktop's.
    if (g_settings_schema_get_path(schema.get()) == nullptr) return nullptr;

    BackendRef backend;
    if (!options.keyfile.empty()) {
        backend.p = g_keyfile_settings_backend_new(options.keyfile.c_str(), "/", nullptr);
    }
    SettingsRef settings(g_settings_new_full(schema.get(), backend.get(), nullptr));
    if (!settings) return nullptr;
    return std::make_unique<GnomePointerSettings>(std::move(settings), speed, accel, doubleClick);
}

bool SessionUsesGnomeSettings(const char* currentDesktop, const char* gsettingsBackend) {
    if (gsettingsBackend != nullptr && *gsettingsBackend != '\0') return true;
    if (currentDesktop == nullptr) return false;
    // Desktops built on GNOME's settings daemon list one of these names.
    for (const std::string_view name : {"GNOME", "Unity", "Pantheon"}) {
        if (ContainsDesktop(currentDesktop, name)) return true;
    }
    return false;
}

std::unique_ptr<PointerSettings> CreateDesktopPointerSettings() {
    if (SessionUsesGnomeSettings(std::getenv("XDG_CURRENT_DESKTOP"),
                                 std::getenv("GSETTINGS_BACKEND"))) {
        if (auto gnome = CreateGnomePointerSettings()) return gnome;
    }
    return std::make_unique<NoDesktopPointerSettings>();
}

}  // namespace ornyx::performance::gnome
