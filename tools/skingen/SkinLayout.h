#pragma once

// Where every skin image goes: the size of each background, the rectangles at
// which the windows draw each element image, the child controls and texts
// each background must hold, and the panels the skin painter lays under them.
//
// The skin painter (skingen) sizes and decorates every image from this table,
// and the skin tests check the written files against it, so the artwork and
// the program's fixed coordinates cannot drift apart. Plain data, no Qt:
// both sides include it.
//
// Rectangles are (left, top, right, bottom) in the window's client pixels,
// right and bottom exclusive, as the windows use them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ornyx::skinlayout {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
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
    TextButton,      // OK, Apply, Cancel and the other captioned buttons
    CloseButton,
    MinimiseButton,
    SkinsButton,
    BasicPageButton,
    AdvancedPageButton,
    DropdownBox,     // the six button-function boxes
    ReportRateCell,
    DpiCell,
    PointerCell,     // one step of a pointer-setting bar
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
    {Element::AdvancedPageButton, "/button-NextPage-normal.png", "/button-NextPage-over.png", {40, 40}},
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
    HeaderBar,       // the strip along the top edge with the accent line under it
    FooterBar,       // the strip along the bottom edge with the accent line over it
    Card,            // a rounded panel with a thin accent border behind one section
    Well,            // a sunken field behind a child control or a drawn value
    DropWell,        // a sunken field whose right 15 pixels hold the opening chevron
    Rail,            // the groove a row or column of slider cells sits in
    HeadBand,        // the band of a list's column heads
    ColumnRule,      // a vertical hairline between two column heads
    Plate,           // a raised square behind a drawn icon button
    OptionRow,       // a faint row behind one choice and its wrapped text
    Divider,         // a hairline that fades out at both ends
    PlusSign,        // "+" between the parts of a key combination
    Badge1,          // numbered marks beside the fields of a key combination
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
    Size size;                           // the window's size
    std::span<const Placement> elements; // element images drawn on it
    std::span<const Rect> controls;      // child controls and drawn texts it must hold
    std::span<const Panel> panels;       // what the painter lays under them
};

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

inline constexpr std::array<Placement, 8> kMainCommon = {{
    {Element::BasicPageButton, {14, 54, 54, 94}},
    {Element::AdvancedPageButton, {60, 54, 100, 94}},
    {Element::SkinsButton, {701, 5, 719, 23}},
    {Element::MinimiseButton, {825, 5, 843, 23}},
    {Element::CloseButton, {850, 5, 868, 23}},
    {Element::TextButton, {562, 623, 667, 644}},  // OK
    {Element::TextButton, {666, 623, 771, 644}},  // Apply
    {Element::TextButton, {770, 623, 875, 644}},  // Cancel
}};

inline constexpr std::array<Rect, 2> kMainCommonControls = {{
    {105, 51, 320, 99},    // page title
    {272, 628, 450, 646},  // web link
}};

constexpr std::array<Placement, 65> BasicOwn() {
    std::array<Placement, 65> out{};
    std::size_t i = 0;
    out[i++] = {Element::TextButton, {307, 549, 412, 570}};  // Default
    out[i++] = {Element::TextButton, {253, 518, 358, 539}};  // Mode A
    out[i++] = {Element::TextButton, {357, 518, 462, 539}};  // Mode B
    for (int k = 0; k < 6; ++k) out[i++] = {Element::DropdownBox, {252, 199 + 23 * k, 463, 220 + 23 * k}};
    for (int n = 0; n < 4; ++n) out[i++] = {Element::ReportRateCell, {542 + 72 * n, 204, 612 + 72 * n, 215}};
    for (int level = 0; level < 4; ++level) {
        const int left = 554 + 27 * level;
        for (int step = 0; step < 12; ++step)
            out[i++] = {Element::DpiCell, {left, 500 - 18 * step, left + 16, 516 - 18 * step}};
        out[i++] = {Element::CheckBox, {left, 541, left + 16, 557}};
    }
    return out;
}

constexpr std::array<Rect, 22> BasicControls() {
    std::array<Rect, 22> out{};
    std::size_t i = 0;
    out[i++] = {259, 160, 464, 181};  // section captions
    out[i++] = {504, 161, 866, 182};
    out[i++] = {504, 275, 676, 296};
    out[i++] = {704, 275, 866, 296};
    out[i++] = {542, 186, 828, 202};  // report-rate values over the cells
    for (int k = 0; k < 6; ++k) out[i++] = {252, 221 + 23 * k, 463, 491 + 23 * k};  // button menus
    for (int level = 0; level < 4; ++level)
        out[i++] = {554 + 27 * level, 523, 570 + 27 * level, 539};  // colour fields
    out[i++] = {494, 302, 544, 516};  // step labels (the 8-step lists start further left)
    out[i++] = {700, 320, 866, 334};  // lighting fields (captions over them) and their lists
    out[i++] = {700, 360, 866, 374};
    out[i++] = {700, 400, 866, 414};
    out[i++] = {700, 336, 866, 396};
    out[i++] = {700, 376, 866, 576};
    out[i++] = {700, 416, 866, 456};
    return out;
}

constexpr std::array<Placement, 39> AdvancedOwn() {
    std::array<Placement, 39> out{};
    std::size_t i = 0;
    out[i++] = {Element::TextButton, {38, 584, 143, 605}};   // Default
    out[i++] = {Element::TextButton, {513, 532, 618, 553}};  // New
    out[i++] = {Element::TextButton, {617, 532, 722, 553}};  // Delete
    out[i++] = {Element::TextButton, {721, 532, 826, 553}};  // Confirm
    for (int top : {200, 350, 500})
        for (int s = 0; s < 11; ++s) out[i++] = {Element::PointerCell, {52 + 24 * s, top, 76 + 24 * s, top + 11}};
    out[i++] = {Element::CheckBox, {51, 255, 67, 271}};
    out[i++] = {Element::CheckBox, {51, 405, 67, 421}};
    return out;
}

inline constexpr std::array<Rect, 25> kAdvancedControls = {{
    {38, 160, 320, 181}, {38, 310, 320, 331}, {38, 460, 320, 481},    // pointer captions
    {74, 255, 300, 271}, {74, 405, 300, 421},                         // check box texts
    {52, 214, 316, 228}, {52, 364, 316, 378}, {52, 514, 316, 528},    // step numbers
    {469, 160, 578, 181},                                             // macro caption
    {457, 196, 592, 220}, {591, 196, 726, 220}, {725, 196, 875, 220}, // column heads
    {462, 220, 591, 512}, {592, 220, 725, 512},                       // macro and item lists
    {735, 229, 764, 258}, {735, 265, 764, 294},                       // record buttons
    {765, 227, 874, 260}, {765, 263, 874, 296},                       // their captions
    {735, 300, 874, 316}, {735, 334, 874, 350}, {735, 368, 874, 384}, // field captions
    {735, 316, 799, 330}, {735, 350, 799, 364},                       // name and loop times
    {735, 384, 854, 398}, {734, 401, 854, 529},                       // mouse-event field, list
}};

inline constexpr auto kBasicElements = Join(kMainCommon, BasicOwn());
inline constexpr auto kBasicControls = Join(kMainCommonControls, BasicControls());
inline constexpr auto kAdvancedElements = Join(kMainCommon, AdvancedOwn());
inline constexpr auto kAdvancedAllControls = Join(kMainCommonControls, kAdvancedControls);
static_assert(AllFilled(kBasicElements) && AllFilled(kBasicControls));
static_assert(AllFilled(kAdvancedElements) && AllFilled(kAdvancedAllControls));

// Page furniture.
inline constexpr Rect kHeader{0, 0, 890, 28};
inline constexpr Rect kFooter{0, 608, 890, 660};

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
    {Decor::Card, {446, 150, 876, 566}},  // macro setting
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
inline constexpr int kPopupWidth = 400;
inline constexpr int kPopupHeight = 288;

inline constexpr std::array<Placement, 3> kPopupFrame = {{
    {Element::CloseButton, {352, 6, 370, 24}},
    {Element::TextButton, {166, 253, 271, 274}},  // OK
    {Element::TextButton, {270, 253, 375, 274}},  // Cancel
}};

inline constexpr auto kMacroPopupElements = Join(kPopupFrame, std::array<Placement, 3>{{
    {Element::CheckBox, {220, 78, 236, 94}},
    {Element::CheckBox, {220, 128, 236, 144}},
    {Element::CheckBox, {220, 178, 236, 194}},
}});

inline constexpr std::array<Rect, 2> kSingleControls = {{{23, 108, 201, 124}, {73, 128, 151, 144}}};
inline constexpr std::array<Rect, 3> kWindowsControls = {{{42, 128, 190, 144}, {42, 128, 206, 144}, {42, 146, 206, 224}}};
inline constexpr std::array<Rect, 3> kMediaControls = {{{42, 128, 190, 144}, {42, 128, 206, 144}, {42, 146, 206, 224}}};
inline constexpr std::array<Rect, 9> kFireControls = {{
    {49, 69, 117, 85}, {49, 69, 132, 85}, {49, 87, 160, 250},
    {10, 100, 171, 120}, {50, 120, 131, 134}, {10, 150, 171, 170}, {50, 170, 131, 184},
    {15, 184, 390, 218}, {15, 218, 390, 250},
}};
// The macro prompt is centred in a band that reaches 8 pixels past the left
// edge by design; its text stays inside, so the band is not listed.
inline constexpr std::array<Rect, 6> kMacroControls = {{
    {42, 128, 136, 144}, {42, 128, 151, 144}, {42, 146, 151, 224},
    {237, 65, 390, 107}, {237, 115, 390, 157}, {237, 165, 390, 207},
}};
inline constexpr std::array<Rect, 5> kComboControls = {{
    {49, 69, 117, 85}, {49, 69, 132, 85}, {49, 87, 132, 227}, {50, 120, 131, 134}, {50, 170, 131, 184},
}};
inline constexpr std::array<Rect, 3> kDelayControls = {{{14, 89, 210, 109}, {14, 109, 210, 129}, {74, 129, 150, 143}}};
inline constexpr std::array<Rect, 5> kSkinsControls = {{
    {12, 64, 181, 94}, {42, 94, 151, 110}, {42, 128, 136, 144}, {42, 128, 151, 144}, {42, 146, 151, 224},
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
    {Decor::Card, kFieldCard}, {Decor::Well, {72, 127, 152, 145}}, {Decor::KeyArt, kPicture},
}});
inline constexpr auto kWindowsPanels = PopupPanels(std::array<Panel, 3>{{
    {Decor::Card, kFieldCard}, {Decor::DropWell, {41, 127, 207, 145}}, {Decor::WindowsArt, kPicture},
}});
inline constexpr auto kMediaPanels = PopupPanels(std::array<Panel, 3>{{
    {Decor::Card, kFieldCard}, {Decor::DropWell, {41, 127, 207, 145}}, {Decor::MediaArt, kPicture},
}});
// The fire-key texts reach down to the buttons: no line there.
inline constexpr auto kFirePanels = Join(kPopupHeaderPanels, std::array<Panel, 4>{{
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
    {Decor::Card, kFieldCard}, {Decor::Well, {73, 128, 151, 144}}, {Decor::ClockArt, kPicture},
}});
inline constexpr auto kSkinsPanels = PopupPanels(std::array<Panel, 4>{{
    {Decor::Card, {6, 44, 214, 228}},
    {Decor::Well, {41, 93, 152, 111}},
    {Decor::DropWell, {41, 127, 152, 145}},
    {Decor::PaletteArt, kPicture},
}});

}  // namespace detail

inline constexpr std::array<Background, 10> kBackgrounds = {{
    {"/BasicSet2.png", {890, 660}, detail::kBasicElements, detail::kBasicControls, detail::kBasicPanels},
    {"/AdvancedSet2.png", {890, 660}, detail::kAdvancedElements, detail::kAdvancedAllControls, detail::kAdvancedPanels},
    {"/single-key.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kPopupFrame, detail::kSingleControls, detail::kSinglePanels},
    // Taller than the others: its list of eleven entries reaches y 306.
    {"/windows-key.png", {detail::kPopupWidth, 316}, detail::kPopupFrame, detail::kWindowsControls, detail::kWindowsPanels},
    {"/media-key.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kPopupFrame, detail::kMediaControls, detail::kMediaPanels},
    {"/fire-key.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kPopupFrame, detail::kFireControls, detail::kFirePanels},
    {"/macro-key.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kMacroPopupElements, detail::kMacroControls, detail::kMacroPanels},
    {"/combo-key.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kPopupFrame, detail::kComboControls, detail::kComboPanels},
    {"/delay-time.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kPopupFrame, detail::kDelayControls, detail::kDelayPanels},
    {"/skins.png", {detail::kPopupWidth, detail::kPopupHeight}, detail::kPopupFrame, detail::kSkinsControls, detail::kSkinsPanels},
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

}  // namespace ornyx::skinlayout
