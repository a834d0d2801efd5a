#include "macros/ui/DelayTimeDialog.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "i18n/Texts.h"
#include "macros/MacroItems.h"

namespace ornyx::macros::ui {

namespace {

// Enough digits for any value the caller accepts and a few beyond it; longer
// input only ever becomes the default delay.
constexpr int kMaxDigits = 9;

}  // namespace

CDelayTimeDialog::CDelayTimeDialog(const skin::PopupContext& context, QWidget* parent)
    : PopupFrame(context, skin::kDelayTimePopup, parent) {}

void CDelayTimeDialog::AssignTexts() {
    prompt_ = skin::FromUtf8(i18n::Text(Language(), i18n::PopupTextId::DelayPrompt));
    range_ = skin::FromUtf8(i18n::Text(Language(), i18n::PopupTextId::DelayRange));
}

void CDelayTimeDialog::CreateContent() {
    valueBox_ = new QLineEdit(this);
    valueBox_->setObjectName("delayValue");
    valueBox_->setGeometry(kValueRect);
    valueBox_->setAlignment(Qt::AlignCenter);
    valueBox_->setFrame(true);
    valueBox_->setMaxLength(kMaxDigits);
    valueBox_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), valueBox_));
    ColourControl(*valueBox_);
    connect(valueBox_, &QLineEdit::textChanged, this, [this](const QString& text) {
        text_ = text;
        value_ = ParseDecimal(text.toStdString());
    });
    valueBox_->setFocus();
}

void CDelayTimeDialog::DrawContent(skin::DrawSession& session) {
    session.Text(prompt_, kPromptRect, skin::TextFormat::CentredSingleLine, Qt::white);
    session.Text(range_, kRangeRect, skin::TextFormat::CentredSingleLine, Qt::white);
}

}  // namespace ornyx::macros::ui
