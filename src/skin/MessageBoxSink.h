#pragma once

#include <QPointer>
#include <QWidget>

#include "common/MessageSink.h"

namespace ornyx::skin {

// Shows each message in a modal message box with one OK button, over `parent`.
// Tests hand the windows a RecordingMessageSink instead.
class MessageBoxSink final : public MessageSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowMessage(const std::string& text, const std::string& caption = {}) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace ornyx::skin
