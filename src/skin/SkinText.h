#pragma once

// Texts drawn over skin images: the layout formats the windows use, the fonts
// of each language and the skin's text colour.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string_view>

#include "i18n/Language.h"
#include "layout/WindowLayout.h"

class QPainter;

namespace ornyx::skin {

// The text layouts in use. The values are the numeric layout codes that the
// window layouts are written with, so either form names a layout.
enum class TextFormat : unsigned {
    CentredTop = 33,         // centred across, at the top, one line: texts over or under an element
    LeftSingleLine = 36,     // left, centred vertically, one line: titles and labels
    CentredSingleLine = 37,  // centred both ways, one line: button captions, values in boxes
    RightSingleLine = 38,    // right, centred vertically, one line: right-aligned values
    WordWrap = 8208,         // left, wrapped at words, the block centred vertically
};

// Qt alignment and wrap flags for a layout. Text outside the rectangle is
// clipped (the flags never include Qt::TextDontClip).
int QtTextFlags(TextFormat format);

// A rectangle given by its edges, right and bottom exclusive, as the window
// layouts list them: (10, 20, 115, 41) is 105 × 21 pixels at (10, 20).
constexpr QRect RectFromEdges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}
// A rectangle of the layout table.
constexpr QRect ToQRect(const layout::Rect& r) {
    return RectFromEdges(r.left, r.top, r.right, r.bottom);
}

// A font as requested: the family, the weight, and the largest pixel size whose
// line height (ascent + descent) does not exceed the requested height, since the
// request names the whole cell height, not the size of the letters.
QFont FontFor(const i18n::FontRequest& request);
// Tells Qt which installed families stand in for the families the skins name
// (Arial, Tahoma and the Chinese faces), so that every language renders with
// a real face instead of a generic fallback. Call once after the application
// object exists.
void InstallFontSubstitutes();

// The normal font (pop-ups, captions, lists) and the title font of a language.
QFont NormalFont(i18n::Language language);
QFont TitleFont(i18n::Language language);

// The skin's text colour from its red, green and blue bytes.
QColor SkinTextColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Text of the tables (UTF-8) as a QString.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether `text` shows whole in `rect` with the layout and font: nothing is cut
// at the sides, and a wrapped text's lines all fit the height.
bool TextFits(const QString& text, const QRect& rect, TextFormat format, const QFont& font);

// Sees every text that DrawSkinText draws, so that a check can prove that each
// text of each language fits its place. Null (the default) sees nothing.
using TextDrawnHook = void (*)(const QString& text, const QRect& rect, TextFormat format,
                               const QFont& font);
void SetTextDrawnHook(TextDrawnHook hook);

// Draws `text` in `rect` with the layout, font and colour on a transparent
// background. Nothing happens on an inactive painter.
void DrawSkinText(QPainter& page, const QString& text, const QRect& rect, TextFormat format,
                  const QFont& font, const QColor& colour);

}  // namespace ornyx::skin
