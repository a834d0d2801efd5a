#include "macros/ui/Recorder.h"

#include <QApplication>
#include <QWidget>

#include "keys/ui/KeyCapture.h"
#include "macros/MacroStore.h"
#include "skin/SkinText.h"

namespace ornyx::macros::ui {

Recorder::Recorder(RecordTarget& target, MessageSink& messages, i18n::Language language,
                   QWidget* titleWindow, QObject* parent)
    : QObject(parent),
      target_(target),
      messages_(messages),
      language_(language),
      titleWindow_(titleWindow) {}

Recorder::~Recorder() {
    StopSilently();
}

QString Recorder::T(i18n::TextId id) const {
    return skin::FromUtf8(i18n::Text(language_, id));
}

void Recorder::StartRecording() {
    if (!target_.HasMacros()) {
        messages_.ShowMessage(std::string(i18n::Text(language_, i18n::TextId::MacroNameBlank)),
                              std::string(kWarningCaption));
        return;
    }
    messages_.ShowMessage(std::string(i18n::Text(language_, i18n::TextId::StartRecording)));
    const bool restart = Recording();
    ReleaseCapture();
    target_.ClearItems();
    logic_.Start();
    capture_ = new keys::ui::KeyCapture(
        [this](const keys::ui::CapturedKey& key) { return OnKey(key); }, this);
    if (titleWindow_ != nullptr) {
        if (!restart) titleBefore_ = titleWindow_->windowTitle();
        titleWindow_->setWindowTitle(T(i18n::TextId::PressCtrlBreakToStop));
    }
}

void Recorder::StopRecording() {
    FinishStop(logic_.Stop());
}

void Recorder::FinishStop(bool wasRecording) {
    // The capture goes before the message box opens, so that the keys that
    // close the box are not recorded.
    ReleaseCapture();
    RestoreTitle();
    messages_.ShowMessage(std::string(i18n::Text(language_, i18n::TextId::StopRecording)));
    if (!wasRecording) {
        messages_.ShowMessage(std::string(i18n::Text(language_, i18n::TextId::NotRecording)),
                              std::string(kWarningCaption));
    }
}

void Recorder::StopSilently() {
    logic_.Stop();
    ReleaseCapture();
    RestoreTitle();
}

void Recorder::RestoreTitle() {
    if (titleWindow_ != nullptr && !titleBefore_.isNull()) {
        titleWindow_->setWindowTitle(titleBefore_);
        titleBefore_ = QString();
    }
}

void Recorder::ReleaseCapture() {
    if (capture_ == nullptr) return;
    keys::ui::KeyCapture* capture = capture_;
    capture_ = nullptr;
    // The capture may be the caller (a stop key): it goes once its filter has
    // returned. Until then it lets every key through, since nothing records.
    if (inHandler_) {
        capture->deleteLater();
    } else {
        delete capture;
    }
}

bool Recorder::OnKey(const keys::ui::CapturedKey& key) {
    if (!logic_.recording()) return false;
    // A pop-up opened meanwhile (the delay dialog) is typed into, not recorded.
    if (QApplication::activeModalWidget() != nullptr) return false;
    inHandler_ = true;
    RecorderKey input;
    input.name = key.name;
    input.press = key.press;
    input.autoRepeat = key.autoRepeat;
    input.ctrlHeld = QApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
    input.timestamp = key.timestamp;
    const RecorderStep step = logic_.OnKey(input, target_.HasSelectedMacro());
    switch (step.kind) {
        case RecorderStep::Kind::Ignored:
            break;
        case RecorderStep::Kind::Append:
            target_.RemoveLastItems(step.removeTrailing);
            target_.AppendItems(step.lines);
            break;
        case RecorderStep::Kind::Stop:
            target_.RemoveLastItems(step.removeTrailing);
            FinishStop(true);
            break;
    }
    inHandler_ = false;
    // While recording, presses never reach the windows (the edit boxes would
    // take them, Enter and Escape would hide the window); releases do no harm.
    return key.press;
}

}  // namespace ornyx::macros::ui
