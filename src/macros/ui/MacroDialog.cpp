#include "macros/ui/MacroDialog.h"

#include <QLabel>

#include "i18n/Texts.h"
#include "keys/ui/KeyDialogs.h"
#include "macros/MacroStore.h"
#include "skin/ControlColours.h"

namespace ornyx::macros::ui {

using i18n::PopupTextId;
using skin::FromUtf8;
using skin::TextFormat;

namespace {
constexpr std::string_view kTickOn = "/PaneMakingTick.png";
constexpr std::string_view kTickOff = "/Pane.png";
constexpr PopupTextId kModeTexts[3] = {PopupTextId::RepeatMode1, PopupTextId::RepeatMode2,
                                       PopupTextId::RepeatMode3};
}  // namespace

CMacroDialog::CMacroDialog(const skin::PopupContext& context, std::filesystem::path recordFile,
                           QWidget* parent)
    : PopupFrame(context, skin::kMacroPopup, parent),
      recordFile_(std::move(recordFile)),
      list_(
          *this, kListRect,
          [font = skin::NormalFont(context.language),
           look = skin::DropDownLook::Of(context.drawing)](QListWidget& list) {
              skin::StyleDropDown(list, look, font);
          },
          [this](int row, const QString& text) { Chosen(row, text); }) {}

CMacroDialog::~CMacroDialog() = default;

void CMacroDialog::CreateContent() {
    macroLabel_ = keys::ui::MakePopupStatic(*this, kMacroRect, DialogFont());
}

void CMacroDialog::DrawContent(skin::DrawSession& session) {
    session.Text(FromUtf8(i18n::Text(Language(), PopupTextId::MacroPrompt)), kPromptRect,
                 TextFormat::CentredSingleLine, Qt::white);
    for (int mode = 1; mode <= 3; ++mode) {
        const QRect tick = TickRect(mode);
        session.Element(mode == repeatMode_ ? kTickOn : kTickOff, tick.left(), tick.top());
        session.Text(FromUtf8(i18n::Text(Language(), kModeTexts[mode - 1])), ModeTextRect(mode),
                     TextFormat::WordWrap, Qt::white);
    }
}

void CMacroDialog::Chosen(int row, const QString& text) {
    macroNumber_ = row;
    macroName_ = text.toUtf8().toStdString();
    macroLabel_->setText(text);
    list_.Close();
}

void CMacroDialog::BeforePress(const QPoint& point) {
    if (list_.IsOpen() && !kMacroBox.contains(point) && !kListRect.contains(point)) list_.Close();
}

bool CMacroDialog::ContentPress(const QPoint& point) {
    if (kMacroBox.contains(point)) {
        if (list_.IsOpen()) {
            list_.Close();
        } else {
            // Read afresh each time: the file is the truth, not the panel's list.
            QStringList names;
            for (const std::string& name : ListMacroNames(recordFile_)) names << FromUtf8(name);
            list_.Open(names);
        }
        return true;
    }
    for (int mode = 1; mode <= 3; ++mode) {
        if (!TickRect(mode).contains(point)) continue;
        if (mode != repeatMode_) {
            const int before = repeatMode_;
            repeatMode_ = mode;
            skin::DrawSession session = BeginDraw();
            session.Element(kTickOff, TickRect(before).left(), TickRect(before).top());
            session.Element(kTickOn, TickRect(mode).left(), TickRect(mode).top());
        }
        return true;
    }
    return false;
}

QAbstractScrollArea* CMacroDialog::WheelList() {
    return list_.List();
}

}  // namespace ornyx::macros::ui
