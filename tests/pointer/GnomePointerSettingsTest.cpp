// The GNOME backend through real gio: GSETTINGS_BACKEND=keyfile with the key
// file under a temporary XDG_CONFIG_HOME, and the test copy of the schema.
// gio reads these variables once per process, so main() sets them first.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "performance/gnome/GnomePointerSettings.h"
#include "support/TempDir.h"

namespace ornyx::performance::gnome {
namespace {

namespace fs = std::filesystem;
using settings::SettingsImage;

constexpr const char* kGroup = "org/gnome/desktop/peripherals/mouse";

test::TempDir* g_home = nullptr;

fs::path KeyFile() {
    return g_home->path() / "config" / "glib-2.0" / "settings" / "keyfile";
}

// What the key file holds for a key, as GVariant text ("-1.0", "'flat'", "550");
// empty when the key is not there.
std::string Stored(const fs::path& file, const char* key, const char* group = kGroup) {
    GKeyFile* kf = g_key_file_new();
    std::string value;
    if (g_key_file_load_from_file(kf, file.c_str(), G_KEY_FILE_NONE, nullptr)) {
        if (gchar* v = g_key_file_get_value(kf, group, key, nullptr)) {
            value = v;
            g_free(v);
        }
    }
    g_key_file_free(kf);
    return value;
}

class GnomeBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts from the schema's defaults.
        GSettings* s = g_settings_new(std::string(kMouseSchema).c_str());
        for (const char* key : {"speed", "accel-profile", "double-click"}) g_settings_reset(s, key);
        g_settings_sync();
        g_object_unref(s);
        desktop = CreateDesktopPointerSettings();
        ASSERT_NE(desktop, nullptr);
        ASSERT_EQ(dynamic_cast<NoDesktopPointerSettings*>(desktop.get()), nullptr)
            << "expected GNOME's";
    }
    std::unique_ptr<PointerSettings> desktop;
    RecordingMessageSink messages;
};

TEST_F(GnomeBackendTest, HasSpeedPrecisionAndDoubleClickButNoWheelLines) {
    EXPECT_TRUE(desktop->Has(PointerOption::Speed));
    EXPECT_TRUE(desktop->Has(PointerOption::Precision));
    EXPECT_TRUE(desktop->Has(PointerOption::DoubleClick));
    EXPECT_FALSE(desktop->Has(PointerOption::WheelLines));

    // GNOME's defaults: speed 0, profile "default", 400 ms.
    SettingsImage image;
    image.scrollLines() = 4;
    ReadPointerSettings(*desktop, image, messages);
    EXPECT_EQ(image.pointerSpeed(), 6);
    EXPECT_EQ(image.enhancedPointerPrecision(), 1);
    EXPECT_EQ(image.doubleClickSpeed(), 8);
    EXPECT_EQ(image.scrollLines(), 4);  // not GNOME's to say
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GnomeBackendTest, SlowestSpeedIsMinusOneAndDoubleClickGoesThroughThePosition) {
    ASSERT_TRUE(desktop->SetDoubleClickTime(500));
    SettingsImage image;
    ReadPointerSettings(*desktop, image, messages);
    EXPECT_EQ(image.doubleClickSpeed(), 6);
    ASSERT_TRUE(SetPointerSlider(image, PointerSlider::Speed, 1));
    ApplyPointerSettings(*desktop, image, messages);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(Stored(KeyFile(), "speed"), "-1.0");
    EXPECT_EQ(Stored(KeyFile(), "double-click"), "550");
    // Precision was on under "default": left as it was.
    EXPECT_EQ(Stored(KeyFile(), "accel-profile"), "");
}

TEST_F(GnomeBackendTest, EverySliderPositionComesBackFromTheDesktop) {
    for (int p = 1; p <= kSliderPositions; ++p) {
        SettingsImage image;
        SetPointerSlider(image, PointerSlider::Speed, p);
        SetPointerSlider(image, PointerSlider::DoubleClick, p);
        ApplyPointerSettings(*desktop, image, messages);
        SettingsImage back;
        ReadPointerSettings(*desktop, back, messages);
        EXPECT_EQ(back.pointerSpeed(), p);
        EXPECT_EQ(back.doubleClickSpeed(), p);
    }
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(Stored(KeyFile(), "speed"), "1.0");
    EXPECT_EQ(Stored(KeyFile(), "double-click"), "200");
}

TEST_F(GnomeBackendTest, PrecisionSwitchesTheProfileAndDefaultWritesTheDefaults) {
    SettingsImage image;
    ReadPointerSettings(*desktop, image, messages);
    TogglePrecision(image);  // off
    ApplyPointerSettings(*desktop, image, messages);
    EXPECT_EQ(Stored(KeyFile(), "accel-profile"), "'flat'");
    TogglePrecision(image);  // on again: from flat to adaptive
    ApplyPointerSettings(*desktop, image, messages);
    EXPECT_EQ(Stored(KeyFile(), "accel-profile"), "'adaptive'");
    ReadPointerSettings(*desktop, image, messages);
    EXPECT_EQ(image.enhancedPointerPrecision(), 1);

    SetPointerSlider(image, PointerSlider::Speed, 11);
    ApplyPointerSettings(*desktop, image, messages);
    RestorePointerDefaults(*desktop, image, messages);
    EXPECT_EQ(Stored(KeyFile(), "accel-profile"), "'flat'");
    EXPECT_EQ(Stored(KeyFile(), "speed"), "0.0");
    EXPECT_EQ(Stored(KeyFile(), "double-click"), "500");
    EXPECT_EQ(image.pointerSpeed(), 6);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GnomeBackendTest, ValuesSetElsewhereAreShownInsideTheSliders) {
    GSettings* s = g_settings_new(std::string(kMouseSchema).c_str());
    g_settings_set_double(s, "speed", 0.37);
    g_settings_set_int(s, "double-click", 2000);
    g_settings_sync();
    SettingsImage image;
    ReadPointerSettings(*desktop, image, messages);
    EXPECT_EQ(image.pointerSpeed(), 8);      // 0.37 is nearest to classic 14
    EXPECT_EQ(image.doubleClickSpeed(), 1);  // slower than the slowest position
    g_settings_set_int(s, "double-click", 0);
    g_settings_sync();
    ReadPointerSettings(*desktop, image, messages);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "GetDoubleClickTime failed.");
    EXPECT_EQ(messages.messages[0].caption, "Warning");
    g_object_unref(s);
}

TEST(GnomeSchemaTest, MissingSchemasAndKeysGiveNoBackendOrFewerOptions) {
    GnomeSettingsOptions absent;
    absent.schemaId = "org.ornyx.test.absent";
    EXPECT_EQ(CreateGnomePointerSettings(absent), nullptr);

    GnomeSettingsOptions older;
    older.schemaId = "org.ornyx.test.mouse-without-accel";
    const auto partial = CreateGnomePointerSettings(older);
    ASSERT_NE(partial, nullptr);
    EXPECT_FALSE(partial->Has(PointerOption::Precision));
    EXPECT_TRUE(partial->Has(PointerOption::Speed));
    EXPECT_TRUE(partial->Has(PointerOption::DoubleClick));

    GnomeSettingsOptions wrongTypes;
    wrongTypes.schemaId = "org.ornyx.test.mouse-other-types";
    EXPECT_EQ(CreateGnomePointerSettings(wrongTypes), nullptr);

    GnomeSettingsOptions noDir;
    noDir.schemaDir = g_home->path() / "no-such-folder";
    EXPECT_EQ(CreateGnomePointerSettings(noDir), nullptr);
}

TEST(GnomeSchemaTest, AnExplicitKeyFileAndSchemaFolderAreUsedInsteadOfTheStore) {
    test::TempDir dir;
    GnomeSettingsOptions own;
    own.schemaDir = ORNYX_TEST_SCHEMA_DIR;
    own.keyfile = dir.path() / "pointer.ini";
    const auto desktop = CreateGnomePointerSettings(own);
    ASSERT_NE(desktop, nullptr);
    ASSERT_TRUE(desktop->SetSpeed(20));
    EXPECT_EQ(Stored(own.keyfile, "speed"), "1.0");
    EXPECT_EQ(desktop->GetSpeed(), 20);
}

TEST(GnomeSessionTest, OnlyDesktopsOnGnomeSettingsOrAnExplicitStore) {
    EXPECT_TRUE(SessionUsesGnomeSettings("GNOME", nullptr));
    EXPECT_TRUE(SessionUsesGnomeSettings("ubuntu:GNOME", nullptr));
    EXPECT_TRUE(SessionUsesGnomeSettings("Budgie:GNOME", nullptr));
    EXPECT_TRUE(SessionUsesGnomeSettings("GNOME-Classic:GNOME", nullptr));
    EXPECT_TRUE(SessionUsesGnomeSettings("gnome", nullptr));
    EXPECT_TRUE(SessionUsesGnomeSettings("Unity", nullptr));
    EXPECT_FALSE(SessionUsesGnomeSettings("KDE", nullptr));
    EXPECT_FALSE(SessionUsesGnomeSettings("X-Cinnamon", nullptr));
    EXPECT_FALSE(SessionUsesGnomeSettings("GNOMEISH", nullptr));
    EXPECT_FALSE(SessionUsesGnomeSettings(nullptr, nullptr));
    EXPECT_FALSE(SessionUsesGnomeSettings("", ""));
    EXPECT_TRUE(SessionUsesGnomeSettings("KDE", "keyfile"));
}

}  // namespace
}  // namespace ornyx::performance::gnome

int main(int argc, char** argv) {
    ornyx::test::TempDir home;
    ornyx::performance::gnome::g_home = &home;
    setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("GSETTINGS_SCHEMA_DIR", ORNYX_TEST_SCHEMA_DIR, 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
