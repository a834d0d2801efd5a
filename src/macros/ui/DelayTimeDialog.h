#pragma once

// The pop-up that asks for one delay in milliseconds, when a delay line of the
// macro panel's item list is double-clicked. It takes any number of digits and
// leaves the 0..10000 limit to its caller.

#include <QString>
#include <cstdint>

#include "skin/PopupFrame.h"

class QLineEdit;

namespace ornyx::macros::ui {

class CDelayTimeDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    // In the dialog's own pixels.
    static constexpr QRect kPromptRect = skin::ToQRect(layout::delay::kPrompt);
    static constexpr QRect kRangeRect = skin::ToQRect(layout::delay::kRange);
    static constexpr QRect kValueRect = skin::ToQRect(layout::delay::kValue);

    explicit CDelayTimeDialog(const skin::PopupContext& context, QWidget* parent = nullptr);

    // The box's text and its decimal value (0 when empty), kept current on
    // every change of the box.
    const QString& Text() const { return text_; }
    std::int64_t Value() const { return value_; }

    // The value box; null when the background could not be loaded.
    QLineEdit* ValueBox() const { return valueBox_; }

protected:
    void AssignTexts() override;
    void CreateContent() override;
    void DrawContent(skin::DrawSession& session) override;

private:
    QString prompt_;
    QString range_;
    QLineEdit* valueBox_ = nullptr;
    QString text_;
    std::int64_t value_ = 0;
};

}  // namespace ornyx::macros::ui
