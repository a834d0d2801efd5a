#include "performance/ui/PointerControls.h"

#include "i18n/Texts.h"

namespace ornyx::performance::ui {
namespace {

using i18n::TextId;
using skin::TextFormat;
using skin::ToQRect;

PointerSlider SliderOfRow(int row) {
    return row == 0   ? PointerSlider::Speed
           : row == 1 ? PointerSlider::ScrollLines
                      : PointerSlider::DoubleClick;
}

constexpr TextId kRowText[kPointerRows] = {TextId::MouseSpeed, TextId::ScrollingSpeed,
                                           TextId::DoubleClickSpeed};

}  // namespace

PointerControls::PointerControls(settings::SettingsImage& image, const i18n::TextSettings& text,
                                 MessageSink& messages, skin::SkinCanvas& canvas,
                                 const skin::DrawingSettings& drawing, const QFont& font)
    : image_(image),
      text_(text),
      messages_(messages),
      canvas_(canvas),
      drawing_(drawing),
      font_(font) {}

void PointerControls::PageShown(PointerSettings& desktop) {
    if (desktopRead_) return;
    desktopRead_ = true;
    ReadPointerSettings(desktop, image_, messages_);
}

void PointerControls::Draw(skin::DrawSession& session) const {
    for (int row = 0; row < kPointerRows; ++row) {
        session.Text(skin::FromUtf8(i18n::Text(text_.language, kRowText[row])),
                     ToQRect(layout::window::PointerCaption(row)), TextFormat::LeftSingleLine);
        DrawSlider(session, row);
        // The step numbers under the cells; drawn with the page only, since
        // text drawn again over itself grows bolder.
        for (int step = 1; step <= kSliderPositions; ++step) {
            const QRect r = PointerCell(row, step);
            session.Text(QString::number(step), QRect(r.left(), r.bottom() + 3, r.width(), 14),
                         TextFormat::CentredTop);
        }
    }
    DrawTicks(session);
    session.Text(skin::FromUtf8(i18n::Text(text_.language, TextId::EnhancePointerPrecision)),
                 ToQRect(layout::window::kPrecisionLabel), TextFormat::LeftSingleLine);
    session.Text(skin::FromUtf8(i18n::Text(text_.language, TextId::ScrollOneScreen)),
                 ToQRect(layout::window::kOnePageLabel), TextFormat::LeftSingleLine);
}

void PointerControls::DrawSlider(skin::DrawSession& session, int row) const {
    const int lit = SliderPosition(image_, SliderOfRow(row));
    for (int step = 1; step <= kSliderPositions; ++step) {
        const QRect r = PointerCell(row, step);
        session.Element(step <= lit ? "/slider-light.png" : "/slider-dark.png", r.left(), r.top());
    }
}

void PointerControls::DrawTicks(skin::DrawSession& session) const {
    session.Element(PrecisionTicked(image_) ? "/PaneMakingTick.png" : "/Pane.png",
                    kPrecisionTick.left(), kPrecisionTick.top());
    session.Element(ScreenScrollTicked(image_) ? "/PaneMakingTick.png" : "/Pane.png",
                    kOnePageTick.left(), kOnePageTick.top());
}

void PointerControls::ToggleTick(bool precision) {
    if (precision) {
        TogglePrecision(image_);
    } else {
        ToggleScreenScroll(image_);
    }
    skin::DrawSession session(canvas_, drawing_, font_);
    DrawTicks(session);
}

void PointerControls::RestoreDefaults(PointerSettings& desktop) {
    RestorePointerDefaults(desktop, image_, messages_);
    skin::DrawSession session(canvas_, drawing_, font_);
    DrawTicks(session);
    for (int row = 0; row < kPointerRows; ++row) DrawSlider(session, row);
}

void PointerControls::PressCell(int row, int step) {
    if (row < 0 || row >= kPointerRows || step < 1 || step > kSliderPositions) return;
    if (!SetPointerSlider(image_, SliderOfRow(row), step)) return;
    skin::DrawSession session(canvas_, drawing_, font_);
    DrawSlider(session, row);
}

void PointerControls::Apply(PointerSettings& desktop) {
    ApplyPointerSettings(desktop, image_, messages_);
}

}  // namespace ornyx::performance::ui
