#pragma once

// The one table of the windows' layout: every rectangle of the main window,
// its pop-ups and their child controls; which skin image each element draws;
// the panels the skin painter lays under them; and the main window's regions
// a press or the pointer can land in.
//
// The windows draw and hit-test from it, the skin painter (tools/skingen)
// sizes and decorates every image from it, and the skin and window tests
// check the files and click against it, so the artwork, the program and its
// tests cannot drift apart. Plain data, no Qt.
//
// Rectangles are (left, top, right, bottom) in the window's client pixels,
// right and bottom exclusive, as the windows use them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ornyx::layout {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool Contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr bool operator==(const Rect&) const = default;
    constexpr bool Inside(int width, int height) const {
        return left >= 0 && top >= 0 && right <= width && bottom <= height && left < right &&
               top < bottom;
    }
};

struct Size {
    int width = 0;
    int height = 0;
};

// ---- Element images -------------------------------------------------------------------

// Every element comes as a pair: the image drawn at rest (normal, not chosen,
// off, empty) and the one drawn when it is active (under the pointer, chosen,
// lit, ticked). The windows draw one over the other in place, so a pair has one
// size and the same outline.
enum class Element : std::uint8_t {
    TextButton,  // OK, Apply, Cancel and the other captioned buttons
    CloseButton,
    MinimiseButton,
    SkinsButton,
    BasicPageButton,
    AdvancedPageButton,
    DropdownBox,  // the six button-function boxes
    ReportRateCell,
    DpiCell,
    PointerCell,  // one step of a pointer-setting bar
    CheckBox,
};

struct ElementImages {
    Element element;
    std::string_view rest;
    std::string_view active;
    Size size;
};

inline constexpr std::array<ElementImages, 11> kElements = {{
    {Element::TextButton, "/button-normal.png", "/button-over.png", {105, 21}},
    {Element::CloseButton, "/button-close-normal.png", "/button-close-over.png", {18, 18}},
    {Element::MinimiseButton, "/button-min-normal.png", "/button-min-over.png", {18, 18}},
    {Element::SkinsButton, "/button-Skins-normal.png", "/button-Skins-over.png", {18, 18}},
    {Element::BasicPageButton, "/button-PrePage-normal.png", "/button-PrePage-over.png", {40, 40}},
    {Element::AdvancedPageButton,
     "/button-NextPage-normal.png",
     "/button-NextPage-over.png",
     {40, 40}},
    {Element::DropdownBox, "/DropdownBox-normal.png", "/DropdownBox-over.png", {211, 21}},
    {Element::ReportRateCell, "/slider-RP-dark.png", "/slider-RP-light.png", {70, 11}},
    {Element::DpiCell, "/slider-DPI-dark.png", "/slider-DPI-light.png", {16, 16}},
    {Element::PointerCell, "/slider-dark.png", "/slider-light.png", {24, 11}},
    {Element::CheckBox, "/Pane.png", "/PaneMakingTick.png", {16, 16}},
}};

constexpr const ElementImages& Images(Element e) {
    for (const ElementImages& images : kElements)
        if (images.element == e) return images;
    return kElements[0];
}

struct Placement {
    Element element;
    Rect rect;  // the image's top-left corner is drawn at the rectangle's
};

// ---- Panels ----------------------------------------------------------------------------

// What the painter lays into a background under the drawn elements and the
// child controls. Only shapes and icons: captions are drawn by the program in
// the user's language.
enum class Decor : std::uint8_t {
    HeaderBar,   // the strip along the top edge with the accent line under it
    FooterBar,   // the strip along the bottom edge with the accent line over it
    Card,        // a rounded panel with a thin accent border behind one section
    Well,        // a sunken field behind a child control or a drawn value
    DropWell,    // a sunken field whose right 15 pixels hold the opening chevron
    Rail,        // the groove a row or column of slider cells sits in
    HeadBand,    // the band of a list's column heads
    ColumnRule,  // a vertical hairline between two column heads
    Plate,       // a raised square behind a drawn icon button
    OptionRow,   // a faint row behind one choice and its wrapped text
    Divider,     // a hairline that fades out at both ends
    PlusSign,    // "+" between the parts of a key combination
    Badge1,      // numbered marks beside the fields of a key combination
    Badge2,
    // Illustrations, drawn to fit the rectangle.
    MouseMap,        // the mouse seen from above, its buttons numbered 1 to 6 like the boxes
    LightRing,       // a ring of colour: the lighting section
    PointerArt,      // a pointer with motion lines: pointer speed
    WheelArt,        // a wheel with arrows: scrolling
    DoubleClickArt,  // a button with two ripples: double-click speed
    KeyArt,          // a key cap: the single-key pop-up
    ComboArt,        // two key caps joined: the combination-key pop-up
    FireArt,         // a cross-hair with a bolt: the fire-key pop-up
    MediaArt,        // a note with a play sign: the multimedia pop-up
    WindowsArt,      // four panes: the Windows-function pop-up
    MacroArt,        // a recorded sequence: the macro pop-up
    ClockArt,        // a stopwatch: the delay pop-up
    PaletteArt,      // a palette: the skins pop-up
    Mark,            // the program's small mark at the left of a header
};

struct Panel {
    Decor decor;
    Rect rect;
};

// ---- Backgrounds -----------------------------------------------------------------------

struct Background {
    std::string_view file;
    Size size;                            // the window's size
    std::span<const Placement> elements;  // element images drawn on it
    std::span<const Rect> controls;       // child controls and drawn texts it must hold
    std::span<const Panel> panels;        // what the painter lays under them
};

// ---- The main window's rectangles -------------------------------------------------------

namespace window {

inline constexpr Size kSize{890, 660};  // the bundled skins' pages; a plain page takes it too

// Both pages.
inline constexpr Rect kBasicPageButton{14, 54, 54, 94};
inline constexpr Rect kAdvancedPageButton{60, 54, 100, 94};
inline constexpr Rect kSkinsButton{701, 5, 719, 23};
inline constexpr Rect kMinimiseButton{825, 5, 843, 23};
inline constexpr Rect kCloseButton{850, 5, 868, 23};
inline constexpr Rect kOkButton{562, 623, 667, 644};
inline constexpr Rect kApplyButton{666, 623, 771, 644};
inline constexpr Rect kCancelButton{770, 623, 875, 644};
inline constexpr Rect kTitle{105, 51, 320, 99};
inline constexpr Rect kLink{272, 628, 450, 646};
// Free band under the page title: says when no mouse is connected.
inline constexpr Rect kMouseStateLine{105, 118, 876, 142};

// Basic page: key setting.
inline constexpr int kBoxCount = 6;
inline constexpr Rect kKeySettingCaption{259, 160, 464, 181};
inline constexpr Rect kKeyDefaultButton{307, 549, 412, 570};
inline constexpr Rect kModeAButton{253, 518, 358, 539};
inline constexpr Rect kModeBButton{357, 518, 462, 539};
// Box k (0..5) and the menu that opens under it.
constexpr Rect ButtonBox(int k) {
    return {252, 199 + 23 * k, 463, 220 + 23 * k};
}
constexpr Rect ButtonMenu(int k) {
    return {252, 221 + 23 * k, 463, 491 + 23 * k};
}
// 64 pixels wide rather than 60: at 60, "DPI Loop"
// in the Latin fonts is cut short to "DPI L…".
inline constexpr Size kDpiMenuSize{64, 80};

// Basic page: report rate, cells 0..3 and the value over each.
inline constexpr Rect kReportRateCaption{504, 161, 866, 182};
constexpr Rect ReportRateCell(int i) {
    return {542 + 72 * i, 204, 612 + 72 * i, 215};
}
constexpr Rect ReportRateValue(int i) {
    return {542 + 72 * i, 186, 612 + 72 * i, 202};
}

// Basic page: DPI levels 0..3, steps 0..11 from the bottom.
inline constexpr Rect kDpiCaption{504, 275, 676, 296};
inline constexpr Rect kDpiEffectCaption{704, 275, 866, 296};
inline constexpr int kDpiLevels = 4;
inline constexpr int kDpiMaxSteps = 12;
constexpr int DpiColumnLeft(int level) {
    return 554 + 27 * level;
}
constexpr int DpiStepTop(int step) {
    return 500 - 18 * step;
}
constexpr Rect DpiCell(int level, int step) {
    return {DpiColumnLeft(level), DpiStepTop(step), DpiColumnLeft(level) + 16,
            DpiStepTop(step) + 16};
}
constexpr Rect DpiSwatch(int level) {
    return {DpiColumnLeft(level), 523, DpiColumnLeft(level) + 16, 539};
}
constexpr Rect DpiTick(int level) {
    return {DpiColumnLeft(level), 541, DpiColumnLeft(level) + 16, 557};
}
// A step's label beside the first column; the 8-step lists start further left.
constexpr Rect DpiStepLabel(int step, bool twelveSteps) {
    return {twelveSteps ? 514 : 494, DpiStepTop(step), 550, DpiStepTop(step) + 16};
}
inline constexpr Rect kDpiColourCaption{494, 523, 550, 539};
inline constexpr Rect kDpiSelectCaption{494, 541, 550, 557};

// Basic page: lighting fields 0 mode, 1 parameter, 2 effect. Each caption
// sits over its box, which spans the panel: the longest choices (Turkish
// effect names) need more than half its width. The text stops short of the
// box's arrow.
constexpr Rect LightingCaption(int i) {
    return {700, 304 + 40 * i, 866, 320 + 40 * i};
}
constexpr Rect LightingBox(int i) {
    return {700, 320 + 40 * i, 866, 334 + 40 * i};
}
constexpr Rect LightingText(int i) {
    return {700, 320 + 40 * i, 850, 334 + 40 * i};
}
// The list under field i, `height` pixels tall (the parameter list's height
// depends on the mode).
constexpr Rect LightingList(int i, int height) {
    return {700, 336 + 40 * i, 866, 336 + 40 * i + height};
}
inline constexpr int kLightingModeListHeight = 60;
inline constexpr int kLightingEffectListHeight = 40;
inline constexpr int kLightingParameterListMaxHeight = 200;
// The parameter list of stored lighting mode `mode` (Standard's brightness,
// Respiration's period, Neon's).
constexpr int LightingParameterListHeight(int mode) {
    return mode == 1 ? 170 : mode == 2 ? 90 : kLightingParameterListMaxHeight;
}

// Advanced page: pointer rows 0 speed, 1 scrolling, 2 double-click; steps 1..11.
inline constexpr int kPointerRows = 3;
inline constexpr int kPointerSteps = 11;
constexpr int PointerRowTop(int row) {
    return row == 0 ? 200 : row == 1 ? 350 : 500;
}
constexpr Rect PointerCell(int row, int step) {
    return {52 + 24 * (step - 1), PointerRowTop(row), 76 + 24 * (step - 1),
            PointerRowTop(row) + 11};
}
constexpr Rect PointerCaption(int row) {
    return {38, 160 + 150 * row, 320, 181 + 150 * row};
}
inline constexpr Rect kPrecisionTick{51, 255, 67, 271};
inline constexpr Rect kOnePageTick{51, 405, 67, 421};
inline constexpr Rect kPrecisionLabel{74, 255, 300, 271};
inline constexpr Rect kOnePageLabel{74, 405, 300, 421};
inline constexpr Rect kPointerDefaultButton{38, 584, 143, 605};

// Advanced page: the macro editor, on its card.
inline constexpr Rect kMacroCard{446, 150, 876, 566};
inline constexpr Rect kMacroSettingCaption{469, 160, 578, 181};
inline constexpr Rect kSelectMacroHead{457, 196, 592, 220};
inline constexpr Rect kSequenceHead{591, 196, 726, 220};
inline constexpr Rect kRecordOptionHead{725, 196, 875, 220};
inline constexpr Rect kMacroList{462, 220, 591, 512};
inline constexpr Rect kItemList{592, 220, 725, 512};
inline constexpr Rect kStartRecordButton{735, 229, 764, 258};
inline constexpr Rect kStopRecordButton{735, 265, 764, 294};
inline constexpr Rect kStartRecordCaption{765, 227, 874, 260};
inline constexpr Rect kStopRecordCaption{765, 263, 874, 296};
inline constexpr Rect kMacroNameCaption{735, 300, 874, 316};
inline constexpr Rect kLoopTimesCaption{735, 334, 874, 350};
inline constexpr Rect kInsertCaption{735, 368, 874, 384};
inline constexpr Rect kMacroName{735, 316, 799, 330};
inline constexpr Rect kLoopTimes{735, 350, 799, 364};
inline constexpr Rect kMouseEventField{735, 384, 839, 398};
// The field and its drop-down arrow: a press here opens or closes the list.
inline constexpr Rect kMouseEventBox{735, 384, 854, 398};
inline constexpr Rect kMouseEventList{734, 401, 854, 529};
inline constexpr Rect kNewButton{513, 532, 618, 553};
inline constexpr Rect kDeleteButton{617, 532, 722, 553};
inline constexpr Rect kConfirmButton{721, 532, 826, 553};

// ---- Where a press or the pointer lands ----

// What a region of the page does; `index` and `step` say which of a row.
enum class Target : std::uint8_t {
    None,
    Ok,
    Apply,
    Cancel,
    Skins,
    Minimise,
    Close,
    BasicPage,
    AdvancedPage,
    Link,
    // Basic page.
    ModeA,
    ModeB,
    KeyDefault,
    ButtonBox,
    ReportRateCell,
    DpiTick,
    DpiSwatch,
    LightingBox,
    DpiCell,
    // Advanced page.
    StartRecord,
    StopRecord,
    NewMacro,
    DeleteMacro,
    ConfirmMacro,
    MouseEventBox,
    PrecisionTick,
    OnePageTick,
    PointerDefault,
    PointerCell,
};

// Where a region is; also the page shown (BothPages while none is).
enum class On : std::uint8_t { BothPages, BasicPage, AdvancedPage };

struct Region {
    Target target = Target::None;
    On on = On::BothPages;
    Rect rect;
    int index = 0;
    int step = 0;
    // The images of an element drawn in its active image while the pointer is
    // over it; null where the pointer changes nothing.
    const ElementImages* hover = nullptr;
};

struct Hit {
    Target target = Target::None;
    int index = 0;
    int step = 0;
    const ElementImages* hover = nullptr;
    Rect rect;

    constexpr bool operator==(const Hit&) const = default;
};

namespace detail {

inline constexpr std::size_t kRegionCount =
    9 + (3 + kBoxCount + 4 + 2 * kDpiLevels + 3 + kDpiLevels * kDpiMaxSteps) +
    (6 + 3 + kPointerRows * kPointerSteps);

// In the order a press looks them up; the first that holds the point takes it.
constexpr std::array<Region, kRegionCount> Regions() {
    std::array<Region, kRegionCount> out{};
    std::size_t i = 0;
    const ElementImages* button = &Images(Element::TextButton);
    const auto both = [&](Target t, Rect r, const ElementImages* hover) {
        out[i++] = {t, On::BothPages, r, 0, 0, hover};
    };
    both(Target::Ok, kOkButton, button);
    both(Target::Apply, kApplyButton, button);
    both(Target::Cancel, kCancelButton, button);
    both(Target::Skins, kSkinsButton, &Images(Element::SkinsButton));
    both(Target::Minimise, kMinimiseButton, &Images(Element::MinimiseButton));
    both(Target::Close, kCloseButton, &Images(Element::CloseButton));
    both(Target::BasicPage, kBasicPageButton, &Images(Element::BasicPageButton));
    both(Target::AdvancedPage, kAdvancedPageButton, &Images(Element::AdvancedPageButton));
    both(Target::Link, kLink, nullptr);

    const auto basic = [&](Target t, Rect r, int index = 0, int step = 0,
                           const ElementImages* hover = nullptr) {
        out[i++] = {t, On::BasicPage, r, index, step, hover};
    };
    basic(Target::ModeA, kModeAButton);
    basic(Target::ModeB, kModeBButton);
    basic(Target::KeyDefault, kKeyDefaultButton, 0, 0, button);
    for (int k = 0; k < kBoxCount; ++k)
        basic(Target::ButtonBox, ButtonBox(k), k, 0, &Images(Element::DropdownBox));
    for (int n = 0; n < 4; ++n) basic(Target::ReportRateCell, ReportRateCell(n), n);
    for (int level = 0; level < kDpiLevels; ++level) {
        basic(Target::DpiTick, DpiTick(level), level);
        basic(Target::DpiSwatch, DpiSwatch(level), level);
    }
    for (int f = 0; f < 3; ++f) basic(Target::LightingBox, LightingBox(f), f);
    for (int level = 0; level < kDpiLevels; ++level)
        for (int step = 0; step < kDpiMaxSteps; ++step)
            basic(Target::DpiCell, DpiCell(level, step), level, step);

    const auto advanced = [&](Target t, Rect r, int index = 0, int step = 0,
                              const ElementImages* hover = nullptr) {
        out[i++] = {t, On::AdvancedPage, r, index, step, hover};
    };
    advanced(Target::StartRecord, kStartRecordButton);
    advanced(Target::StopRecord, kStopRecordButton);
    advanced(Target::NewMacro, kNewButton, 0, 0, button);
    advanced(Target::DeleteMacro, kDeleteButton, 0, 0, button);
    advanced(Target::ConfirmMacro, kConfirmButton, 0, 0, button);
    advanced(Target::MouseEventBox, kMouseEventBox);
    advanced(Target::PrecisionTick, kPrecisionTick);
    advanced(Target::OnePageTick, kOnePageTick);
    advanced(Target::PointerDefault, kPointerDefaultButton, 0, 0, button);
    for (int row = 0; row < kPointerRows; ++row)
        for (int step = 1; step <= kPointerSteps; ++step)
            advanced(Target::PointerCell, PointerCell(row, step), row, step);
    return out;
}

}  // namespace detail

inline constexpr std::array<Region, detail::kRegionCount> kRegions = detail::Regions();

// The region on `page` that holds (x, y), or Target::None.
constexpr Hit HitTest(On page, int x, int y) {
    for (const Region& r : kRegions) {
        if ((r.on == On::BothPages || r.on == page) && r.rect.Contains(x, y))
            return {r.target, r.index, r.step, r.hover, r.rect};
    }
    return {};
}

// A region by what it does, for drawing it and for tests that press it.
constexpr Hit Find(Target target, int index = 0, int step = 0) {
    for (const Region& r : kRegions)
        if (r.target == target && r.index == index && r.step == step)
            return {r.target, r.index, r.step, r.hover, r.rect};
    return {};
}
static_assert([] {
    for (const Region& r : kRegions)
        if (r.target == Target::None || r.rect.Width() <= 0 || r.rect.Height() <= 0) return false;
    return true;
}());

}  // namespace window

// ---- The pop-ups' rectangles ------------------------------------------------------------

namespace popup {
inline constexpr int kWidth = 400;
inline constexpr int kHeight = 288;
inline constexpr Rect kCloseButton{352, 6, 370, 24};
inline constexpr Rect kOkButton{166, 253, 271, 274};
inline constexpr Rect kCancelButton{270, 253, 375, 274};
}  // namespace popup

namespace single_key {
inline constexpr Rect kPrompt{23, 108, 201, 124};
inline constexpr Rect kKeyName{73, 128, 151, 144};
}  // namespace single_key

// The Windows-function and multimedia pop-ups: a chosen entry and its list.
namespace list_key {
inline constexpr Rect kChosen{42, 128, 190, 144};
inline constexpr Rect kBox{42, 128, 206, 144};
inline constexpr Rect kList{42, 146, 206, 224};
}  // namespace list_key

namespace fire_key {
inline constexpr Rect kKey{49, 69, 117, 85};
inline constexpr Rect kKeyBox{49, 69, 132, 85};
inline constexpr Rect kKeyList{49, 87, 160, 250};
inline constexpr Rect kSpeedLabel{10, 100, 171, 120};
inline constexpr Rect kSpeed{50, 120, 131, 134};
inline constexpr Rect kTimesLabel{10, 150, 171, 170};
inline constexpr Rect kTimes{50, 170, 131, 184};
inline constexpr Rect kSpeedHint{15, 184, 390, 218};
inline constexpr Rect kTimesHint{15, 218, 390, 250};
}  // namespace fire_key

namespace combo_key {
inline constexpr Rect kModifier{49, 69, 117, 85};
inline constexpr Rect kModifierBox{49, 69, 132, 85};
inline constexpr Rect kModifierList{49, 87, 132, 227};
inline constexpr Rect kKey1{50, 120, 131, 134};
inline constexpr Rect kKey2{50, 170, 131, 184};
}  // namespace combo_key

namespace macro_key {
// Centred in a band that reaches 8 pixels past the left edge by design; its
// text stays inside.
inline constexpr Rect kPrompt{-8, 112, 201, 128};
inline constexpr Rect kMacro{42, 128, 136, 144};
inline constexpr Rect kMacroBox{42, 128, 151, 144};
inline constexpr Rect kList{42, 146, 151, 224};
// Repeat mode 1..3: its tick and its wrapped text.
constexpr Rect Tick(int mode) {
    return {220, 28 + 50 * mode, 236, 44 + 50 * mode};
}
constexpr Rect ModeText(int mode) {
    return {237, 15 + 50 * mode, 390, 57 + 50 * mode};
}
}  // namespace macro_key

namespace delay {
inline constexpr Rect kPrompt{14, 89, 210, 109};
inline constexpr Rect kRange{14, 109, 210, 129};
inline constexpr Rect kValue{74, 129, 150, 143};
}  // namespace delay

// The name prompt of a new profile, on the single-key pop-up's background: its
// prompt and rule lines, and a box wide enough for a name.
namespace profile_name {
inline constexpr Rect kPrompt = delay::kPrompt;
inline constexpr Rect kRule = delay::kRange;
inline constexpr Rect kName{24, 129, 200, 145};
}  // namespace profile_name

namespace skins {
inline constexpr Rect kColourPrompt{12, 64, 181, 94};
inline constexpr Rect kColourSample{42, 94, 151, 110};
inline constexpr Rect kNameField{42, 128, 136, 144};
inline constexpr Rect kSkinBox{42, 128, 151, 144};
inline constexpr Rect kSkinList{42, 146, 151, 224};
}  // namespace skins

namespace detail {

template <typename T, std::size_t N, std::size_t M>
constexpr std::array<T, N + M> Join(const std::array<T, N>& a, const std::array<T, M>& b) {
    std::array<T, N + M> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = a[i];
    for (std::size_t i = 0; i < M; ++i) out[N + i] = b[i];
    return out;
}

// The generated lists below are filled by counting; an entry left empty
// would show up here at compile time.
template <std::size_t N>
constexpr bool AllFilled(const std::array<Placement, N>& list) {
    for (const Placement& p : list)
        if (p.rect.Width() <= 0 || p.rect.Height() <= 0) return false;
    return true;
}
template <std::size_t N>
constexpr bool AllFilled(const std::array<Rect, N>& list) {
    for (const Rect& r : list)
        if (r.Width() <= 0 || r.Height() <= 0) return false;
    return true;
}

// ---- The main window: both pages -------------------------------------------------------

using namespace window;

inline constexpr std::array<Placement, 8> kMainCommon = {{
    {Element::BasicPageButton, kBasicPageButton},
    {Element::AdvancedPageButton, kAdvancedPageButton},
    {Element::SkinsButton, kSkinsButton},
    {Element::MinimiseButton, kMinimiseButton},
    {Element::CloseButton, kCloseButton},
    {Element::TextButton, kOkButton},
    {Element::TextButton, kApplyButton},
    {Element::TextButton, kCancelButton},
}};

inline constexpr std::array<Rect, 2> kMainCommonControls = {{kTitle, kLink}};

constexpr std::array<Placement, 65> BasicOwn() {
    std::array<Placement, 65> out{};
    std::size_t i = 0;
    out[i++] = {Element::TextButton, kKeyDefaultButton};
    out[i++] = {Element::TextButton, kModeAButton};
    out[i++] = {Element::TextButton, kModeBButton};
    for (int k = 0; k < kBoxCount; ++k) out[i++] = {Element::DropdownBox, ButtonBox(k)};
    for (int n = 0; n < 4; ++n) out[i++] = {Element::ReportRateCell, ReportRateCell(n)};
    for (int level = 0; level < kDpiLevels; ++level) {
        for (int step = 0; step < kDpiMaxSteps; ++step)
            out[i++] = {Element::DpiCell, DpiCell(level, step)};
        out[i++] = {Element::CheckBox, DpiTick(level)};
    }
    return out;
}

constexpr std::array<Rect, 22> BasicControls() {
    std::array<Rect, 22> out{};
    std::size_t i = 0;
    out[i++] = kKeySettingCaption;
    out[i++] = kReportRateCaption;
    out[i++] = kDpiCaption;
    out[i++] = kDpiEffectCaption;
    // The report-rate values over the cells, as one band.
    out[i++] = {ReportRateValue(0).left, ReportRateValue(0).top, ReportRateValue(3).right,
                ReportRateValue(3).bottom};
    for (int k = 0; k < kBoxCount; ++k) out[i++] = ButtonMenu(k);
    for (int level = 0; level < kDpiLevels; ++level) out[i++] = DpiSwatch(level);
    // The band the step labels take (the 8-step lists start further left).
    out[i++] = {494, 302, 544, 516};
    for (int f = 0; f < 3; ++f) out[i++] = LightingBox(f);  // captions over them
    out[i++] = LightingList(0, kLightingModeListHeight);
    out[i++] = LightingList(1, kLightingParameterListMaxHeight);
    out[i++] = LightingList(2, kLightingEffectListHeight);
    return out;
}

constexpr std::array<Placement, 39> AdvancedOwn() {
    std::array<Placement, 39> out{};
    std::size_t i = 0;
    out[i++] = {Element::TextButton, kPointerDefaultButton};
    out[i++] = {Element::TextButton, kNewButton};
    out[i++] = {Element::TextButton, kDeleteButton};
    out[i++] = {Element::TextButton, kConfirmButton};
    for (int row = 0; row < kPointerRows; ++row)
        for (int step = 1; step <= kPointerSteps; ++step)
            out[i++] = {Element::PointerCell, PointerCell(row, step)};
    out[i++] = {Element::CheckBox, kPrecisionTick};
    out[i++] = {Element::CheckBox, kOnePageTick};
    return out;
}

// The step numbers under each pointer row, as one band.
constexpr Rect PointerStepBand(int row) {
    return {52, PointerRowTop(row) + 14, 316, PointerRowTop(row) + 28};
}

inline constexpr std::array<Rect, 25> kAdvancedControls = {{
    PointerCaption(0),    PointerCaption(1),  PointerCaption(2),  kPrecisionLabel,
    kOnePageLabel,        PointerStepBand(0), PointerStepBand(1), PointerStepBand(2),
    kMacroSettingCaption, kSelectMacroHead,   kSequenceHead,      kRecordOptionHead,
    kMacroList,           kItemList,          kStartRecordButton, kStopRecordButton,
    kStartRecordCaption,  kStopRecordCaption, kMacroNameCaption,  kLoopTimesCaption,
    kInsertCaption,       kMacroName,         kLoopTimes,         kMouseEventBox,
    kMouseEventList,
}};

inline constexpr auto kBasicElements = Join(kMainCommon, BasicOwn());
inline constexpr auto kBasicControls = Join(kMainCommonControls, BasicControls());
inline constexpr auto kAdvancedElements = Join(kMainCommon, AdvancedOwn());
inline constexpr auto kAdvancedAllControls = Join(kMainCommonControls, kAdvancedControls);
static_assert(AllFilled(kBasicElements) && AllFilled(kBasicControls));
static_assert(AllFilled(kAdvancedElements) && AllFilled(kAdvancedAllControls));

// Page furniture.
inline constexpr Rect kHeader{0, 0, window::kSize.width, 28};
inline constexpr Rect kFooter{0, 608, window::kSize.width, window::kSize.height};

inline constexpr std::array<Panel, 19> kBasicPanels = {{
    {Decor::HeaderBar, kHeader},
    {Decor::Mark, {14, 6, 30, 22}},
    {Decor::FooterBar, kFooter},
    {Decor::Divider, {14, 112, 876, 113}},
    {Decor::Card, {14, 150, 236, 582}},  // the mouse and its numbered buttons
    {Decor::MouseMap, {22, 166, 228, 574}},
    {Decor::Card, {244, 150, 472, 582}},  // key setting: six boxes, modes, default
    {Decor::Card, {490, 150, 876, 236}},  // report rate
    {Decor::Rail, {539, 201, 831, 218}},
    {Decor::Card, {490, 262, 682, 582}},  // DPI levels, colours, on/off
    {Decor::Rail, {551, 299, 573, 519}},
    {Decor::Rail, {578, 299, 600, 519}},
    {Decor::Rail, {605, 299, 627, 519}},
    {Decor::Rail, {632, 299, 654, 519}},
    {Decor::Card, {690, 262, 876, 582}},  // DPI effect: lighting
    {Decor::Well, {699, 319, 867, 335}},
    {Decor::Well, {699, 359, 867, 375}},
    {Decor::Well, {699, 399, 867, 415}},
    {Decor::LightRing, {728, 436, 838, 546}},
}};

inline constexpr std::array<Panel, 23> kAdvancedPanels = {{
    {Decor::HeaderBar, kHeader},
    {Decor::Mark, {14, 6, 30, 22}},
    {Decor::FooterBar, kFooter},
    {Decor::Divider, {14, 112, 876, 113}},
    {Decor::Card, {14, 150, 432, 286}},  // pointer speed
    {Decor::Rail, {49, 197, 319, 214}},
    {Decor::PointerArt, {340, 176, 420, 256}},
    {Decor::Card, {14, 300, 432, 436}},  // scrolling
    {Decor::Rail, {49, 347, 319, 364}},
    {Decor::WheelArt, {340, 326, 420, 406}},
    {Decor::Card, {14, 450, 432, 566}},  // double-click
    {Decor::Rail, {49, 497, 319, 514}},
    {Decor::DoubleClickArt, {340, 466, 420, 546}},
    {Decor::Card, kMacroCard},  // macro setting
    {Decor::HeadBand, {452, 196, 870, 220}},
    {Decor::ColumnRule, {591, 199, 592, 217}},
    {Decor::ColumnRule, {725, 199, 726, 217}},
    {Decor::Well, {461, 220, 726, 513}},
    {Decor::Plate, {735, 229, 764, 258}},
    {Decor::Plate, {735, 265, 764, 294}},
    {Decor::Well, {734, 315, 800, 331}},
    {Decor::Well, {734, 349, 800, 365}},
    {Decor::DropWell, {734, 383, 855, 399}},
}};

// ---- Pop-ups ---------------------------------------------------------------------------

// All pop-ups share the frame's buttons; each one's height holds its controls.
inline constexpr int kPopupWidth = popup::kWidth;
inline constexpr int kPopupHeight = popup::kHeight;

inline constexpr std::array<Placement, 3> kPopupFrame = {{
    {Element::CloseButton, popup::kCloseButton},
    {Element::TextButton, popup::kOkButton},
    {Element::TextButton, popup::kCancelButton},
}};

inline constexpr auto kMacroPopupElements =
    Join(kPopupFrame, std::array<Placement, 3>{{
                          {Element::CheckBox, macro_key::Tick(1)},
                          {Element::CheckBox, macro_key::Tick(2)},
                          {Element::CheckBox, macro_key::Tick(3)},
                      }});

inline constexpr std::array<Rect, 2> kSingleControls = {
    {single_key::kPrompt, single_key::kKeyName}};
inline constexpr std::array<Rect, 3> kListKeyControls = {
    {list_key::kChosen, list_key::kBox, list_key::kList}};
inline constexpr std::array<Rect, 9> kFireControls = {{
    fire_key::kKey,
    fire_key::kKeyBox,
    fire_key::kKeyList,
    fire_key::kSpeedLabel,
    fire_key::kSpeed,
    fire_key::kTimesLabel,
    fire_key::kTimes,
    fire_key::kSpeedHint,
    fire_key::kTimesHint,
}};
// The macro prompt's band reaches past the left edge by design; its text
// stays inside, so the band is not listed.
inline constexpr std::array<Rect, 6> kMacroControls = {{
    macro_key::kMacro,
    macro_key::kMacroBox,
    macro_key::kList,
    macro_key::ModeText(1),
    macro_key::ModeText(2),
    macro_key::ModeText(3),
}};
inline constexpr std::array<Rect, 5> kComboControls = {{
    combo_key::kModifier,
    combo_key::kModifierBox,
    combo_key::kModifierList,
    combo_key::kKey1,
    combo_key::kKey2,
}};
inline constexpr std::array<Rect, 3> kDelayControls = {
    {delay::kPrompt, delay::kRange, delay::kValue}};
inline constexpr std::array<Rect, 5> kSkinsControls = {{
    skins::kColourPrompt,
    skins::kColourSample,
    skins::kNameField,
    skins::kSkinBox,
    skins::kSkinList,
}};

// Every pop-up has the header with its mark; most have a line over the buttons.
inline constexpr std::array<Panel, 2> kPopupHeaderPanels = {{
    {Decor::HeaderBar, {0, 0, kPopupWidth, 30}},
    {Decor::Mark, {12, 7, 28, 23}},
}};
inline constexpr std::array<Panel, 3> kPopupFramePanels = {{
    kPopupHeaderPanels[0],
    kPopupHeaderPanels[1],
    {Decor::Divider, {16, 240, kPopupWidth - 16, 241}},
}};

template <std::size_t N>
constexpr std::array<Panel, N + 3> PopupPanels(const std::array<Panel, N>& own) {
    return Join(kPopupFramePanels, own);
}

// The left column holds a pop-up's fields; the right one its picture.
inline constexpr Rect kFieldCard{10, 44, 214, 228};
inline constexpr Rect kPicture{250, 62, 362, 174};

inline constexpr auto kSinglePanels = PopupPanels(std::array<Panel, 3>{{
    {Decor::Card, kFieldCard},
    {Decor::Well, {72, 127, 152, 145}},
    {Decor::KeyArt, kPicture},
}});
inline constexpr auto kWindowsPanels = PopupPanels(std::array<Panel, 3>{{
    {Decor::Card, kFieldCard},
    {Decor::DropWell, {41, 127, 207, 145}},
    {Decor::WindowsArt, kPicture},
}});
inline constexpr auto kMediaPanels = PopupPanels(std::array<Panel, 3>{{
    {Decor::Card, kFieldCard},
    {Decor::DropWell, {41, 127, 207, 145}},
    {Decor::MediaArt, kPicture},
}});
// The fire-key texts reach down to the buttons: no line there.
inline constexpr auto kFirePanels =
    Join(kPopupHeaderPanels, std::array<Panel, 4>{{
                                 {Decor::DropWell, {48, 68, 133, 86}},
                                 {Decor::Well, {49, 119, 132, 135}},
                                 {Decor::Well, {49, 169, 132, 185}},
                                 {Decor::FireArt, {248, 50, 344, 146}},
                             }});
inline constexpr auto kMacroPanels = PopupPanels(std::array<Panel, 5>{{
    {Decor::DropWell, {41, 127, 152, 145}},
    {Decor::OptionRow, {212, 64, 392, 108}},
    {Decor::OptionRow, {212, 114, 392, 158}},
    {Decor::OptionRow, {212, 164, 392, 208}},
    {Decor::MacroArt, {56, 48, 138, 104}},
}});
inline constexpr auto kComboPanels = PopupPanels(std::array<Panel, 9>{{
    {Decor::Card, kFieldCard},
    {Decor::DropWell, {48, 68, 133, 86}},
    {Decor::Well, {49, 119, 132, 135}},
    {Decor::Well, {49, 169, 132, 185}},
    {Decor::PlusSign, {82, 94, 100, 112}},
    {Decor::PlusSign, {82, 144, 100, 162}},
    // Left of the key fields, where the open modifier list never covers them.
    {Decor::Badge1, {28, 119, 44, 135}},
    {Decor::Badge2, {28, 169, 44, 185}},
    {Decor::ComboArt, kPicture},
}});
inline constexpr auto kDelayPanels = PopupPanels(std::array<Panel, 3>{{
    {Decor::Card, kFieldCard},
    {Decor::Well, {73, 128, 151, 144}},
    {Decor::ClockArt, kPicture},
}});
inline constexpr auto kSkinsPanels = PopupPanels(std::array<Panel, 4>{{
    {Decor::Card, {6, 44, 214, 228}},
    {Decor::Well, {41, 93, 152, 111}},
    {Decor::DropWell, {41, 127, 152, 145}},
    {Decor::PaletteArt, kPicture},
}});

}  // namespace detail

inline constexpr std::array<Background, 10> kBackgrounds = {{
    {"/BasicSet2.png", window::kSize, detail::kBasicElements, detail::kBasicControls,
     detail::kBasicPanels},
    {"/AdvancedSet2.png", window::kSize, detail::kAdvancedElements, detail::kAdvancedAllControls,
     detail::kAdvancedPanels},
    {"/single-key.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kPopupFrame,
     detail::kSingleControls,
     detail::kSinglePanels},
    // Taller than the others: its list of eleven entries reaches y 306.
    {"/windows-key.png",
     {detail::kPopupWidth, 316},
     detail::kPopupFrame,
     detail::kListKeyControls,
     detail::kWindowsPanels},
    {"/media-key.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kPopupFrame,
     detail::kListKeyControls,
     detail::kMediaPanels},
    {"/fire-key.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kPopupFrame,
     detail::kFireControls,
     detail::kFirePanels},
    {"/macro-key.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kMacroPopupElements,
     detail::kMacroControls,
     detail::kMacroPanels},
    {"/combo-key.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kPopupFrame,
     detail::kComboControls,
     detail::kComboPanels},
    {"/delay-time.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kPopupFrame,
     detail::kDelayControls,
     detail::kDelayPanels},
    {"/skins.png",
     {detail::kPopupWidth, detail::kPopupHeight},
     detail::kPopupFrame,
     detail::kSkinsControls,
     detail::kSkinsPanels},
}};

// Everything a background holds and everything painted on it lies inside it;
// the tests check the files, this checks the table.
constexpr bool HoldsItsContent(const Background& bg) {
    const auto inside = [&bg](const Rect& r) { return r.Inside(bg.size.width, bg.size.height); };
    for (const Placement& p : bg.elements)
        if (!inside(p.rect)) return false;
    for (const Rect& r : bg.controls)
        if (!inside(r)) return false;
    for (const Panel& p : bg.panels)
        if (!inside(p.rect)) return false;
    return true;
}
static_assert([] {
    for (const Background& bg : kBackgrounds)
        if (!HoldsItsContent(bg)) return false;
    return true;
}());

// The main window's elements lie within this area (x 14..875, y 5..646); its
// size is that of the Basic page's background.
inline constexpr Rect kMainElementArea{14, 5, 876, 647};

// Every file a skin must hold: the backgrounds and both images of each pair.
inline constexpr std::size_t kSkinFileCount = kBackgrounds.size() + 2 * kElements.size();

}  // namespace ornyx::layout
