#include "app/ProfileNameDialog.h"

#include <QLineEdit>

#include "common/MessageSink.h"
#include "i18n/Texts.h"
#include "profiles/ProfileName.h"

namespace ornyx::app {

namespace {

constexpr skin::PopupKind kProfileNamePopup{"/single-key.png",
                                            "Profile Name Dialog Load background image failed!!!"};

// A name counts characters, the box UTF-16 units: room for 64 characters of
// any script, while a paste of a whole page stops at the box.
constexpr int kMaxUnits = 2 * static_cast<int>(profiles::kMaxNameChars);

}  // namespace

CProfileNameDialog::CProfileNameDialog(const skin::PopupContext& context, QWidget* parent)
    : PopupFrame(context, kProfileNamePopup, parent) {}

void CProfileNameDialog::AssignTexts() {
    prompt_ = skin::FromUtf8(i18n::Text(Language(), i18n::ProfileTextId::NamePrompt));
    rule_ = skin::FromUtf8(i18n::Text(Language(), i18n::ProfileTextId::NameRule));
}

void CProfileNameDialog::CreateContent() {
    nameBox_ = new QLineEdit(this);
    nameBox_->setObjectName("profileName");
    nameBox_->setGeometry(kNameRect);
    nameBox_->setFrame(true);
    nameBox_->setMaxLength(kMaxUnits);
    ColourControl(*nameBox_);
    nameBox_->setFocus();
}

void CProfileNameDialog::DrawContent(skin::DrawSession& session) {
    session.Text(prompt_, kPromptRect, skin::TextFormat::CentredSingleLine, Qt::white);
    session.Text(rule_, kRuleRect, skin::TextFormat::CentredSingleLine, Qt::white);
}

bool CProfileNameDialog::OnOk() {
    const QString typed = nameBox_ != nullptr ? nameBox_->text() : QString();
    const std::string problem = profiles::NameProblem(typed.toStdString());
    if (!problem.empty()) {
        const QString text = skin::FromUtf8(i18n::Text(Language(), i18n::ProfileTextId::BadName))
                                 .arg("\"" + typed + "\" " + QString::fromStdString(problem));
        Context().messages.ShowMessage(text.toStdString());
        return false;
    }
    name_ = typed;
    return true;
}

}  // namespace ornyx::app
