#include "skin/ControlColours.h"

#include <QPalette>
#include <QWidget>

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
            SetColours(control, skinText, Qt::black);
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
            SetColours(control, skinText, Qt::black);
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

}  // namespace ornyx::skin
