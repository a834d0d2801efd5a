#pragma once

// Colours of the few real child controls (edit fields, lists, static fields)
// that sit on the skinned windows, so that they fit the dark skins.

#include <QColor>
#include <QFont>

class QListWidget;
class QWidget;

namespace ornyx::skin {

struct DrawingSettings;

// Background of the pop-ups' coloured controls; their text is white.
inline constexpr QColor kPopupControlBackground{40, 40, 40};
// Background of the macro editor's macro list and item list.
inline constexpr QColor kMacroListBackground{14, 15, 14};
// Background of the main window's ordinary static fields.
inline constexpr QColor kStaticBackground{100, 150, 100};

// The main window's controls, by the colours they get.
enum class MainControl {
    Edit,             // skin text colour on black
    MacroList,        // the macro list and item list: skin text colour on kMacroListBackground
    DropDownList,     // every other list: white on black, normal font
    DpiColourSample,  // the four DPI colour fields: filled with the level's colour
    DarkStatic,       // lighting fields and the mouse-event field: skin text colour on black,
                      // normal font
    Static,           // other static fields: skin text colour on kStaticBackground, normal font
};

// `preferred` where it reads on `background` (a contrast of 4.5 or more),
// otherwise white or black, whichever reads better.
QColor ReadableOn(const QColor& background, const QColor& preferred);

// Colours a main-window control. `sample` is the fill of a DpiColourSample.
void ColourMainControl(QWidget& control, MainControl kind, const QColor& skinText,
                       const QFont& normalFont, const QColor& sample = {});

// Colours a pop-up's control: white text on kPopupControlBackground in the
// pop-up's font. Disabled controls (an edit while a list is open) grey their text.
void ColourPopupControl(QWidget& control, const QFont& font);

// The look of an open drop-down list, taken from the skin so that it matches
// the boxes it opens from: the inside of the skin's drop-down box, the accent
// of its lit cells for the border and the highlighted row, and the skin's
// text colour where it reads on that inside (white where it would not).
struct DropDownLook {
    QColor background;
    QColor text;
    QColor border;
    QColor highlight;
    QColor highlightText;

    // Reads two of the skin's images; a skin without them gets white on black
    // with a white border.
    static DropDownLook Of(const DrawingSettings& drawing);
};

// Styles an open drop-down list with the look and the font.
void StyleDropDown(QListWidget& list, const DropDownLook& look, const QFont& font);

}  // namespace ornyx::skin
