#pragma once

// The pointer area of the Advanced page: the pointer-speed, scroll-lines and
// double-click sliders, the "Enhance Pointer Precision" and "Scroll One Screen"
// ticks and the "Default" button's action. The values live in the settings
// image; the desktop is read the first time the page is drawn in a run and
// written by OK, Apply and Default.

#include <QPoint>
#include <QRect>

#include "common/MessageSink.h"
#include "i18n/TextSettings.h"
#include "performance/PointerSettings.h"
#include "settings/SettingsImage.h"
#include "skin/SkinCanvas.h"

namespace ornyx::performance::ui {

// Rows of the sliders: 0 pointer speed, 1 scroll lines, 2 double-click speed.
inline constexpr int kPointerRows = layout::window::kPointerRows;
// Cell `step` (1..11) of a slider row.
constexpr QRect PointerCell(int row, int step) {
    return skin::ToQRect(layout::window::PointerCell(row, step));
}
inline constexpr QRect kPrecisionTick = skin::ToQRect(layout::window::kPrecisionTick);
inline constexpr QRect kOnePageTick = skin::ToQRect(layout::window::kOnePageTick);

class PointerControls {
public:
    // The canvas, drawing settings and font are the main window's; they must
    // outlive this object.
    PointerControls(settings::SettingsImage& image, const i18n::TextSettings& text,
                    MessageSink& messages, skin::SkinCanvas& canvas,
                    const skin::DrawingSettings& drawing, const QFont& font);

    // Before the page is drawn: the first call of a run takes the desktop's
    // values; later calls keep the edited ones.
    void PageShown(PointerSettings& desktop);
    bool DesktopRead() const { return desktopRead_; }

    // The captions, sliders and ticks of the area (the "Default" button is
    // drawn with the page's other buttons).
    void Draw(skin::DrawSession& session) const;

    // Presses the window routes here: a tick, "Default", slider cell `step`
    // (1..11) of `row`. Each acts and redraws what changed.
    void ToggleTick(bool precision);
    void RestoreDefaults(PointerSettings& desktop);
    void PressCell(int row, int step);

    // OK and Apply, after the mouse has its settings.
    void Apply(PointerSettings& desktop);

private:
    void DrawSlider(skin::DrawSession& session, int row) const;
    void DrawTicks(skin::DrawSession& session) const;

    settings::SettingsImage& image_;
    const i18n::TextSettings& text_;
    MessageSink& messages_;
    skin::SkinCanvas& canvas_;
    const skin::DrawingSettings& drawing_;
    const QFont& font_;
    bool desktopRead_ = false;
};

}  // namespace ornyx::performance::ui
