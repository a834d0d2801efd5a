#pragma once

// The keyboard recorder of the macro panel: while it records, every key press
// and release of the program's windows becomes a macro item of the selected
// macro. Key presses are kept from the windows meanwhile, so that typing does
// not reach the panel's edit boxes.

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "macros/MacroRecorder.h"

class QWidget;

namespace ornyx::keys::ui {
class KeyCapture;
struct CapturedKey;
}  // namespace ornyx::keys::ui

namespace ornyx::macros::ui {

// The item list the recorder writes into (the macro panel).
class RecordTarget {
public:
    virtual bool HasMacros() const = 0;
    virtual bool HasSelectedMacro() const = 0;
    virtual void ClearItems() = 0;
    virtual void RemoveLastItems(std::size_t count) = 0;
    // Appends the lines and selects the last line, so that it stays in view.
    virtual void AppendItems(const std::vector<std::string>& lines) = 0;

protected:
    ~RecordTarget() = default;
};

class Recorder : public QObject {
    Q_OBJECT

public:
    // `titleWindow` shows the recording hint in its title while recording.
    Recorder(RecordTarget& target, MessageSink& messages, i18n::Language language,
             QWidget* titleWindow, QObject* parent = nullptr);
    // Ends a running recording silently.
    ~Recorder() override;

    // "Start Recording": refused with a warning when the panel has no macro;
    // otherwise empties the item list and (re)starts the recording.
    void StartRecording();
    // "Stop Recording", Ctrl+Break and the event after the 64th.
    void StopRecording();
    // Leaving the page: ends the recording without any message.
    void StopSilently();

    bool Recording() const { return capture_ != nullptr; }

private:
    bool OnKey(const keys::ui::CapturedKey& key);
    void ReleaseCapture();
    void RestoreTitle();
    // The end of a recording by Stop, Ctrl+Break or the event limit.
    void FinishStop(bool wasRecording);
    QString T(i18n::TextId id) const;

    RecordTarget& target_;
    MessageSink& messages_;
    i18n::Language language_;
    QPointer<QWidget> titleWindow_;
    QString titleBefore_;
    MacroRecorder logic_;
    keys::ui::KeyCapture* capture_ = nullptr;
    bool inHandler_ = false;
};

}  // namespace ornyx::macros::ui
