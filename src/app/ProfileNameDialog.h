#pragma once

// The pop-up that asks for the name of a new profile, on the skin's single-key
// pop-up background (a key cap: something is typed). OK keeps it open while
// the name cannot name a profile, and says why.

#include <QString>

#include "skin/PopupFrame.h"

class QLineEdit;

namespace ornyx::app {

class CProfileNameDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    // In the dialog's own pixels.
    static constexpr QRect kPromptRect = skin::ToQRect(layout::profile_name::kPrompt);
    static constexpr QRect kRuleRect = skin::ToQRect(layout::profile_name::kRule);
    static constexpr QRect kNameRect = skin::ToQRect(layout::profile_name::kName);

    explicit CProfileNameDialog(const skin::PopupContext& context, QWidget* parent = nullptr);

    // The name as typed, once OK accepted it.
    QString Name() const { return name_; }
    // The name box; null when the background could not be loaded.
    QLineEdit* NameBox() const { return nameBox_; }

protected:
    void AssignTexts() override;
    void CreateContent() override;
    void DrawContent(skin::DrawSession& session) override;
    bool OnOk() override;

private:
    QString prompt_;
    QString rule_;
    QLineEdit* nameBox_ = nullptr;
    QString name_;
};

}  // namespace ornyx::app
