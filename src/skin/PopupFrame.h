#pragma once

// The common frame of the skinned pop-up dialogs: a captionless modal window
// whose size and look come from one background image of the skin, with drawn
// OK, Cancel and close buttons that light up under the pointer. A dialog
// derives from PopupFrame, names its background file and failure caption
// (PopupKind), and fills in its texts, controls, drawing and results through
// the virtual hooks.

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <functional>
#include <string_view>

#include "i18n/Language.h"
#include "skin/SkinCanvas.h"

class QAbstractScrollArea;
class QListWidget;

namespace ornyx {
class MessageSink;
}

namespace ornyx::skin {

// What sets one pop-up apart from the others in the frame: its background file
// and the caption of the message shown when that file cannot be loaded.
struct PopupKind {
    std::string_view backgroundFile;
    std::string_view loadFailureCaption;
};

inline constexpr PopupKind kSingleKeyPopup{"/single-key.png",
                                           "Single Key Dialog Load background image failed!!!"};
inline constexpr PopupKind kWindowsPopup{"/windows-key.png",
                                         "Windows Dialog Load background image failed!!!"};
inline constexpr PopupKind kMediaPopup{"/media-key.png",
                                       "Media Dialog Load background image failed!!!"};
inline constexpr PopupKind kFireKeyPopup{"/fire-key.png",
                                         "FireKey Dialog Load background image failed!!!"};
inline constexpr PopupKind kMacroPopup{"/macro-key.png",
                                       "Macro Key Dialog Load background image failed!!!"};
inline constexpr PopupKind kComboPopup{"/combo-key.png",
                                       "Combo Dialog Load background image failed!!!"};
inline constexpr PopupKind kDelayTimePopup{"/delay-time.png",
                                           "DelayTime Dialog Load background image failed!!!"};
inline constexpr PopupKind kSkinsPopup{"/skins.png",
                                       "Skins Dialog Load background image failed!!!"};

// The message shown (with the kind's caption) when the background is missing.
inline constexpr const char* kBackgroundFailedText = "error";

// What every pop-up is given by its owner: the program-wide drawing settings,
// the language, and where message boxes go.
struct PopupContext {
    const DrawingSettings& drawing;
    i18n::Language language;
    MessageSink& messages;
};

class PopupFrame : public QDialog {
    Q_OBJECT

public:
    enum class FrameButton { None, Ok, Cancel, Close };

    // The frame's buttons, in window pixels, the same in every pop-up. OK and
    // Cancel share the column x = 270; OK wins there.
    static constexpr QRect kCloseRect = ToQRect(layout::popup::kCloseButton);
    static constexpr QRect kOkRect = ToQRect(layout::popup::kOkButton);
    static constexpr QRect kCancelRect = ToQRect(layout::popup::kCancelButton);

    PopupFrame(const PopupContext& context, const PopupKind& kind, QWidget* parent = nullptr);
    ~PopupFrame() override;

    // Loads the background (the window takes its size), then creates the font,
    // the texts and the content. When the background cannot be loaded the
    // message kBackgroundFailedText is shown with the kind's caption, the window
    // stays 0 × 0 without content, and false is returned. Runs once; later calls
    // return the first outcome. exec() calls it.
    bool Initialise();

    // Runs the dialog modally: QDialog::Accepted after OK, Rejected after
    // Cancel, the close button, Escape, or a background that failed to load (the
    // dialog is then not shown at all). With an auto answer set, no modal loop
    // is entered (see SetAutoAnswer).
    int exec() override;
    // OK: asks OnOk() first; the dialog ends only when it agrees.
    void accept() override;
    void done(int result) override;

    // Test hook: while an answer is set, exec() shows the dialog without a
    // modal loop, calls the answer with it (which may press buttons, type and
    // click through real events) and returns the result. A dialog the answer
    // leaves open ends as Rejected.
    using AutoAnswer = std::function<void(PopupFrame&)>;
    static void SetAutoAnswer(AutoAnswer answer);
    // Presses OK (through OnOk) or Cancel at once.
    static void SetAutoAnswer(QDialog::DialogCode code);
    static void ClearAutoAnswer();

    // What the frame shows, for the owner and for tests.
    const QImage& Page() const { return canvas_->Page(); }
    FrameButton HoveredButton() const { return hovered_; }
    const QFont& DialogFont() const { return font_; }
    const QString& OkCaption() const { return okCaption_; }
    const QString& CancelCaption() const { return cancelCaption_; }
    i18n::Language Language() const { return context_.language; }

    // Pop-ups stay where they are opened; the owner may allow moving one by
    // dragging its free background.
    void SetDraggable(bool draggable) { draggable_ = draggable; }

    // The button under a point, in the order presses are tested.
    static FrameButton ButtonAt(const QPoint& point);

protected:
    // ---- Hooks for the dialogs ----
    // Sets the dialog's own texts (the frame has set the OK and Cancel captions).
    virtual void AssignTexts() {}
    // Creates the dialog's controls (children of this dialog, above the page).
    virtual void CreateContent() {}
    // Draws the dialog's own texts and elements whenever the frame is drawn.
    virtual void DrawContent(DrawSession& session) { (void)session; }
    // OK was pressed: validate and take the results over. False keeps the
    // dialog open.
    virtual bool OnOk() { return true; }
    // Every left press, before the frame's buttons are tested (an open list
    // closes here when the press is outside it and its box).
    virtual void BeforePress(const QPoint& point) { (void)point; }
    // A left press outside the frame's buttons; true when the dialog used it.
    virtual bool ContentPress(const QPoint& point) {
        (void)point;
        return false;
    }
    // The list that the wheel scrolls wherever it turns over the dialog, when
    // one is open; null otherwise.
    virtual QAbstractScrollArea* WheelList() { return nullptr; }

    // ---- Helpers for the dialogs ----
    // A redraw of some elements of this dialog's page (missing files reported).
    DrawSession BeginDraw();
    // Draws the whole frame in its resting state: the buttons normal with their
    // captions, the content, the close button.
    void RedrawFrame();
    // White text on the dark control background, in the dialog's font.
    void ColourControl(QWidget& control) const;
    const PopupContext& Context() const { return context_; }
    SkinCanvas& Canvas() { return *canvas_; }

    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Setup { NotTried, Ready, Failed };

    void DrawButton(DrawSession& session, FrameButton button, bool over);
    void SetHovered(FrameButton button);

    PopupContext context_;
    PopupKind kind_;
    SkinCanvas* canvas_;
    QFont font_;
    QString okCaption_;
    QString cancelCaption_;
    Setup setup_ = Setup::NotTried;
    FrameButton hovered_ = FrameButton::None;
    bool finished_ = false;
    bool draggable_ = false;
    WindowDrag drag_;
    int wheelRemainder_ = 0;
};

// Makes a list select the entry under the pointer as the pointer moves over
// it, without the notifications of a choice (a choice is a click).
void SelectEntryUnderPointer(QListWidget& list);

}  // namespace ornyx::skin
