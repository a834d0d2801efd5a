#pragma once

// The macro panel of the Advanced page: the macro list, the item list, the name
// and loop-times boxes, the mouse-event inserter, the record buttons' recorder
// and the New / Delete / Confirm actions. The widgets are children of the main
// window at fixed window coordinates; what they show is a MacroEditorState, and
// every change that must last goes through the MacroStore.

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/MessageSink.h"
#include "i18n/Language.h"
#include "macros/MacroStore.h"
#include "macros/ui/Recorder.h"
#include "settings/HomeLock.h"
#include "settings/SettingsImage.h"
#include "skin/SkinCanvas.h"

class QWidget;

namespace ornyx::macros::ui {

// The entries of the mouse-event list, in their order. A "Click" entry inserts
// the button's press and release.
inline constexpr std::array<std::string_view, 9> kMouseEvents = {
    "L-Button Click", "R-Button Click", "M-Button Click", "L-Button   Dn", "L-Button   Up",
    "R-Button   Dn",  "R-Button   Up",  "M-Button   Dn",  "M-Button   Up"};

struct MacroPanelContext {
    std::filesystem::path recordFile;
    settings::SettingsImage& image;
    MessageSink& messages;
    i18n::Language language;
    // The main window's; read whenever the panel or its pop-up draws.
    const skin::DrawingSettings& drawing;
    QFont normalFont;
    // Taken around each change of record.ini, so that ornyxctl never writes it
    // at the same moment; may be empty (no other writers).
    std::function<settings::HomeLock()> lockFiles;
};

class MacroPanel : public QObject, private RecordTarget {
    Q_OBJECT

public:
    // The panel's places on the main window (client pixels).
    static constexpr QRect kMacroListRect = skin::ToQRect(layout::window::kMacroList);
    static constexpr QRect kItemListRect = skin::ToQRect(layout::window::kItemList);
    static constexpr QRect kNameRect = skin::ToQRect(layout::window::kMacroName);
    static constexpr QRect kLoopTimesRect = skin::ToQRect(layout::window::kLoopTimes);
    static constexpr QRect kMouseEventFieldRect = skin::ToQRect(layout::window::kMouseEventField);
    // The field and its drop-down arrow: a press here opens or closes the list.
    static constexpr QRect kMouseEventBox = skin::ToQRect(layout::window::kMouseEventBox);
    static constexpr QRect kMouseEventListRect = skin::ToQRect(layout::window::kMouseEventList);
    static constexpr QRect kMacroNameCaption = skin::ToQRect(layout::window::kMacroNameCaption);
    static constexpr QRect kLoopTimesCaption = skin::ToQRect(layout::window::kLoopTimesCaption);
    static constexpr QRect kInsertCaption = skin::ToQRect(layout::window::kInsertCaption);

    // Creates the controls on `window` and fills them from record.ini, the
    // first time the Advanced page is shown. They then live as long as the
    // window and keep what is on screen across page switches.
    MacroPanel(QWidget& window, MacroPanelContext context);
    // Destroys the controls; a running recording ends without a message.
    ~MacroPanel() override;

    // Leaving the Advanced page: a running recording ends without a message,
    // an open mouse-event list closes and the controls hide.
    void HideControls();
    // Showing the Advanced page again: the controls come back in the skin's
    // current text colour.
    void ShowControls();

    // The panel's captions and the mouse-event field's arrow, drawn into the
    // page with the rest of the Advanced page.
    void DrawCaptions(skin::DrawSession& session) const;

    // Every press on the Advanced page, first: an open mouse-event list closes
    // when the press is outside it and its box.
    void BeforePress(const QPoint& point);

    // The buttons.
    void CreateMacro();
    void DeleteMacro();
    void ConfirmMacro();
    ui::Recorder& Recorder() { return *recorder_; }

    // The item list's and mouse-event list's own actions.
    void ToggleMouseEventList();
    bool MouseEventListOpen() const { return mouseEventList_ != nullptr; }
    void InsertMouseEvent(std::size_t entry);
    void EditDelay();
    void DeleteItem();

    // What the panel shows, for the window and tests.
    const MacroEditorState& State() const { return state_; }
    std::vector<std::string> Items() const;
    QListWidget* MacroList() const { return macroList_; }
    QListWidget* ItemList() const { return itemList_; }
    QLineEdit* NameBox() const { return nameBox_; }
    QLineEdit* LoopTimesBox() const { return loopTimesBox_; }
    QLabel* MouseEventField() const { return mouseEventField_; }
    QListWidget* MouseEventList() const { return mouseEventList_; }

private:
    // RecordTarget
    bool HasMacros() const override;
    bool HasSelectedMacro() const override;
    void ClearItems() override;
    void RemoveLastItems(std::size_t count) override;
    void AppendItems(const std::vector<std::string>& lines) override;

    void CreateControls();
    void ColourControls();
    // The state into the widgets, without their change notifications.
    void Refresh();
    // What the user typed and edited, into the state.
    void Take();
    void MacroChosen(int row);
    void LoopTimesEdited(const QString& text);
    void OpenItemMenu(const QPoint& pos);
    void CloseMouseEventList();
    int SelectedItem() const;
    void InsertItems(int at, const std::vector<std::string>& lines);
    QString T(i18n::TextId id) const;

    settings::HomeLock LockFiles();

    QWidget& window_;
    MacroPanelContext context_;
    MacroStore store_;
    MacroEditorState state_;
    std::unique_ptr<ui::Recorder> recorder_;

    QPointer<QListWidget> macroList_;
    QPointer<QListWidget> itemList_;
    QPointer<QLineEdit> nameBox_;
    QPointer<QLineEdit> loopTimesBox_;
    QPointer<QLabel> mouseEventField_;
    QPointer<QListWidget> mouseEventList_;
};

}  // namespace ornyx::macros::ui
