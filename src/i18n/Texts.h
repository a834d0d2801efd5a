#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "i18n/Language.h"

namespace ornyx::i18n {

// The main window's texts. The value of each name is its number in the table
// (0..71), so a text can be reached by name or by number alike.
enum class TextId : std::size_t {
    BasicSettings,
    AdvancedSettings,
    Ok,
    Apply,
    Cancel,
    LeftClick,
    RightClick,
    MidClick,
    Forward,
    Backward,
    TripleClick,
    DpiSwitch,
    Shift,
    RgbOnOff,
    Windows,
    Multimedia,
    FireKey,
    SingleKey,
    ComboKey,
    MacroKey,
    KeyOff,
    LeftKeyMustBeSelected,
    KeyRestoreDefault,  // the Basic page's "Default": restores the button assignments
    KeySetting,
    ReportRateSetting,
    DpiSetting,
    DpiEffect,
    Mode,
    Parameter,
    Effect,
    Standard,
    Respiration,
    Neon,
    RgbEffect,
    RgbFlash,
    RgbFixedOn,
    LinkText,
    ReportRate1000,
    ReportRate500,
    ReportRate250,
    ReportRate125,
    DpiStage1,  // ends with a blank: the DPI label follows directly
    DpiStage2,
    DpiStage3,
    DpiStage4,
    KeyMatrix1,
    KeyMatrix2,
    MacroKeySwitch,  // the macro number follows directly
    Exit,
    MouseNotDetected,
    MouseSpeed,
    ScrollingSpeed,
    DoubleClickSpeed,
    MacroSetting,
    SelectMacro,
    KeyPressSequence,
    RecordOption,
    EnhancePointerPrecision,
    ScrollOneScreen,
    PointerDefault,  // the Advanced page's "Default": restores the pointer options
    MacroName,
    StartRecording,
    StopRecording,
    LoopTimes,
    InsertMouseEvent,
    New,
    Delete,
    Confirm,
    MacroNameBlank,
    MacroNameExists,
    PressCtrlBreakToStop,
    NotRecording,
    Count
};

inline constexpr std::size_t kMainTextCount = static_cast<std::size_t>(TextId::Count);
static_assert(kMainTextCount == 72);

// One row of a text table: the text in each language, indexed by LanguageIndex.
template <typename Id>
struct TextRowOf {
    Id id;
    std::array<std::string_view, kLanguageCount> text;
};
using TextRow = TextRowOf<TextId>;

std::string_view Text(Language language, TextId id);
// By number (the value of a TextId); empty for a number outside the table.
std::string_view TextAt(Language language, std::size_t number);
// The whole table in number order, for callers that fill their own members.
std::span<const TextRow> MainWindowTexts();

// ---- Button menu ----------------------------------------------------------------

// The 16 entries of a button's menu; the position is the function index that the
// assignment block stores (Shift is entry 14, after Macro Key).
inline constexpr std::size_t kButtonFunctionCount = 16;
inline constexpr std::array<TextId, kButtonFunctionCount> kButtonMenu = {
    TextId::LeftClick, TextId::RightClick,  TextId::MidClick,  TextId::Forward,
    TextId::Backward,  TextId::TripleClick, TextId::DpiSwitch, TextId::RgbOnOff,
    TextId::Windows,   TextId::Multimedia,  TextId::FireKey,   TextId::SingleKey,
    TextId::ComboKey,  TextId::MacroKey,    TextId::Shift,     TextId::KeyOff};

// Empty for an index outside 0..15.
std::string_view ButtonFunctionName(Language language, std::size_t functionIndex);

// ---- Pop-ups --------------------------------------------------------------------

enum class PopupTextId : std::size_t {
    Ok,  // the frame's two buttons
    Cancel,
    SingleKeyPrompt,    // single-key dialog
    FireKeySpeedLabel,  // fire-key dialog
    FireKeyTimesLabel,
    FireKeySpeedHint,
    FireKeyTimesHint,
    DelayPrompt,  // delay dialog
    DelayRange,
    RepeatMode1,  // macro dialog
    RepeatMode2,
    RepeatMode3,
    MacroPrompt,
    TextColourPrompt,  // skins dialog
    // What the Windows-function dialog shows before a choice. In Turkish it lacks
    // the trailing blank of list entry 0; a choice shows the entry as it is.
    WindowsFunctionAtStart,
    Count
};

inline constexpr std::size_t kPopupTextCount = static_cast<std::size_t>(PopupTextId::Count);
using PopupTextRow = TextRowOf<PopupTextId>;

std::string_view Text(Language language, PopupTextId id);
std::span<const PopupTextRow> PopupTexts();

inline constexpr std::size_t kMediaFunctionCount = 7;
inline constexpr std::size_t kWindowsFunctionCount = 11;
// The entries of the multimedia and Windows-function lists; the position is the
// index the assignment block stores.
std::span<const std::string_view> MediaFunctionNames(Language language);
std::span<const std::string_view> WindowsFunctionNames(Language language);

// ---- Profiles ------------------------------------------------------------------

// The tray's Profiles submenu, its name prompt, questions and notes. "%1" is the
// profile's name, "%2" the reason a step failed.
enum class ProfileTextId : std::size_t {
    ProfilesMenu,
    SaveAsNew,
    SaveTo,
    Modified,  // follows the active profile's name in the menu
    NoProfiles,
    SwitchedTitle,
    SwitchedText,
    DropChanges,
    NamePrompt,
    NameRule,
    ReplaceQuestion,
    SwitchFailed,
    SaveFailed,
    BadName,
    AutoSwitch,         // the tray's checkable item: follow the application in front
    AutoSwitchWaiting,  // the tray while a switch waits for the window's changes
    Count
};

inline constexpr std::size_t kProfileTextCount = static_cast<std::size_t>(ProfileTextId::Count);
using ProfileTextRow = TextRowOf<ProfileTextId>;

std::string_view Text(Language language, ProfileTextId id);
std::span<const ProfileTextRow> ProfileTexts();

// ---- Device event notifications ---------------------------------------------------

// Notification titles are the same in every language.
inline constexpr std::string_view kInfoTitle = "Info";
inline constexpr std::string_view kWarningTitle = "Warning";

// The event code the program raises itself when no mouse can be opened.
inline constexpr int kMouseNotDetectedEvent = 15;

struct Notification {
    std::string_view title;
    std::string text;
    int timeoutMs = 0;
};

// The notification for a device event (code and parameter as the event report
// carries them; 15 for the mouse-not-detected warning), or nullopt when the code
// or its parameter is not one that is announced. For a DPI switch (code 7) the
// caller passes the DPI label of the level named by the parameter; it follows the
// stage text directly. A macro key switch (code 9) is followed by its number.
std::optional<Notification> DeviceEventNotification(Language language, int code, int parameter,
                                                    std::string_view dpiLabel = {});

// ---- Lighting ---------------------------------------------------------------------

// The name of a stored lighting mode (0 "Off", 1 Standard, 2 Respiration, 3 Neon)
// and of a stored colour effect (0 "Non-Disolay", 1 RGB Effect, 2 RGB Flash,
// 3 RGB Fixed On). Values 0 cannot be chosen and keep their English names in every
// language; values outside the lists give an empty text, which the page shows as such.
std::string_view LightingModeName(Language language, int storedMode);
std::string_view LightingEffectName(Language language, int storedEffect);

// The line the main window shows while no mouse is connected (and the tray
// tooltip's second line): the page can be edited, but nothing reaches the mouse.
std::string_view NoMouseLine(Language language);

// ---- Texts that are the same in every language ------------------------------------

inline constexpr std::string_view kModeA = "Mode A";
inline constexpr std::string_view kModeB = "Mode B";
inline constexpr std::string_view kDpiLoop = "DPI Loop";
// The DPI sub-menu; entry i is DPI switch variant i + 1.
inline constexpr std::array<std::string_view, 4> kDpiSwitchVariants = {"DPI +", "DPI -", "DPI Loop",
                                                                       "Shift DPI"};
inline constexpr std::string_view kColourCaption = "Color";
inline constexpr std::string_view kSelectCaption = "Select";
inline constexpr std::array<std::string_view, 4> kReportRateCaptions = {"125", "250", "500",
                                                                        "1000"};
// The link at the bottom of the main window shows the address and opens the URL.
inline constexpr std::string_view kWebSiteAddress = "www.ornyx-mouse.example";
inline constexpr std::string_view kWebSiteUrl = "https://www.ornyx-mouse.example/";

}  // namespace ornyx::i18n
