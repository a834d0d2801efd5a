#include "skin/ControlColours.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include <QListWidget>
#include <QPalette>
#include <QWidget>

#include "skin/SkinCanvas.h"
#include "skin/SkinImage.h"

namespace ornyx::skin {
namespace {

constexpr QColor kDisabledText{128, 128, 128};

// Text roles and background roles together, so that labels (window roles) and
// edits and lists (base roles) look alike.
void SetColours(QWidget& control, const QColor& text, const QColor& background) {
    QPalette palette = control.palette();
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Active, role, text);
        palette.setColor(QPalette::Inactive, role, text);
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    }
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setColor(role, background);
    control.setPalette(palette);
    control.setAutoFillBackground(true);
}

}  // namespace

void ColourMainControl(QWidget& control, MainControl kind, const QColor& skinText,
                       const QFont& normalFont, const QColor& sample) {
    switch (kind) {
        case MainControl::Edit:
            // The skin's text colour where it reads on black; a dark one (a home
            // without colours has black) would leave the text unseen.
            SetColours(control, ReadableOn(Qt::black, skinText), Qt::black);
            return;
        case MainControl::MacroList:
            SetColours(control, skinText, kMacroListBackground);
            return;
        case MainControl::DropDownList:
            SetColours(control, Qt::white, Qt::black);
            control.setFont(normalFont);
            return;
        case MainControl::DpiColourSample:
            SetColours(control, control.palette().color(QPalette::WindowText), sample);
            return;
        case MainControl::DarkStatic:
            SetColours(control, ReadableOn(Qt::black, skinText), Qt::black);
            control.setFont(normalFont);
            return;
        case MainControl::Static:
            SetColours(control, skinText, kStaticBackground);
            control.setFont(normalFont);
            return;
    }
}

void ColourPopupControl(QWidget& control, const QFont& font) {
    SetColours(control, Qt::white, kPopupControlBackground);
    control.setFont(font);
}

namespace {

// The colour in the middle of a skin image, straight (not premultiplied).
std::optional<QColor> MiddleColour(const DrawingSettings& drawing, std::string_view file) {
    const std::optional<SkinImage> image = LoadSkinImage(drawing.SkinFile(file));
    if (!image || image->pixels.isNull()) return std::nullopt;
    const QColor c = QColor::fromRgba(
        image->pixels.pixel(image->pixels.width() / 2, image->pixels.height() / 2));
    if (c.alpha() < 128) return std::nullopt;  // a hole: says nothing about the skin
    return QColor(c.red(), c.green(), c.blue());
}

// Relative luminance after WCAG 2, for telling whether text reads on a background.
double Luminance(const QColor& c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

QColor ReadableOn(const QColor& background, const QColor& preferred) {
    constexpr double kEnough = 4.5;
    if (Contrast(preferred, background) >= kEnough) return preferred;
    return Contrast(Qt::white, background) >= Contrast(Qt::black, background) ? QColor(Qt::white)
                                                                              : QColor(Qt::black);
}

DropDownLook DropDownLook::Of(const DrawingSettings& drawing) {
    DropDownLook look;
    look.background = MiddleColour(drawing, "/DropdownBox-normal.png").value_or(QColor(Qt::black));
    const std::optional<QColor> accent = MiddleColour(drawing, "/slider-RP-light.png");
    look.border = accent.value_or(QColor(Qt::white));
    look.highlight = accent.value_or(QColor(Qt::white));
    look.text = ReadableOn(look.background, drawing.TextColour());
    look.highlightText = ReadableOn(look.highlight, look.background);
    return look;
}

void StyleDropDown(QListWidget& list, const DropDownLook& look, const QFont& font) {
    // A style sheet, since the frame colour of a list is the style's and not
    // the palette's; the palette still carries the colours for anything that
    // reads them from there.
    SetColours(list, look.text, look.background);
    QPalette palette = list.palette();
    palette.setColor(QPalette::Highlight, look.highlight);
    palette.setColor(QPalette::HighlightedText, look.highlightText);
    list.setPalette(palette);
    list.setFont(font);
    list.setStyleSheet(
        QStringLiteral(
            "QListWidget { background: %1; color: %2; border: 1px solid %3; outline: 0; }"
            "QListWidget::item { padding: 0 2px; border: 0; }"
            "QListWidget::item:selected { background: %4; color: %5; }")
            .arg(look.background.name(), look.text.name(), look.border.name(),
                 look.highlight.name(), look.highlightText.name()));
}

}  // namespace ornyx::skin
