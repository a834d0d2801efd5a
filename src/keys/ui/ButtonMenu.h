#pragma once

// The button menus of the Basic page: one list of the 16 button functions per
// box, the DPI sub-menu beside its "DPI Switch" entry, and what a choice
// writes into the settings image and the button labels. Nothing reaches the
// mouse here; Apply encodes and sends it.

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <array>
#include <filesystem>
#include <functional>

#include "i18n/TextSettings.h"
#include "keys/ButtonAssignment.h"
#include "settings/SettingsImage.h"
#include "skin/PopupFrame.h"
#include "skin/SkinCanvas.h"

class QListWidget;

namespace ornyx {
class MessageSink;
}

namespace ornyx::keys::ui {

inline constexpr int kBoxCount = layout::window::kBoxCount;

// Box k and its menu, in main-window pixels.
constexpr QRect ButtonBoxRect(int k) {
    return skin::ToQRect(layout::window::ButtonBox(k));
}
constexpr QRect ButtonMenuRect(int k) {
    return skin::ToQRect(layout::window::ButtonMenu(k));
}
inline constexpr QSize kDpiMenuSize{layout::window::kDpiMenuSize.width,
                                    layout::window::kDpiMenuSize.height};
inline constexpr int kDpiSwitchEntry = 6;

// What the menus work on; all of it belongs to the main window.
struct ButtonMenuHost {
    QWidget& window;  // the lists are its children
    settings::SettingsImage& image;
    i18n::TextSettings& text;  // language and the 24 button labels
    const skin::DrawingSettings& drawing;
    MessageSink& messages;
    std::filesystem::path recordFile;  // for the macro dialog's list
    QFont font;                        // the main window's font
    std::function<void(int box)> redrawBox;
};

class ButtonMenus : public QObject {
    Q_OBJECT

public:
    explicit ButtonMenus(ButtonMenuHost host, QObject* parent = nullptr);
    ~ButtonMenus() override;

    // A left click in box `slot` (0..5).
    void OpenButtonMenu(int slot);
    // The pointer is over entry `entry` of the open menu of `slot`.
    void HoverMenuEntry(int slot, int entry);
    // The menu of `slot` reports a choice (its current entry).
    void ChooseMenuEntry(int slot);
    // The DPI sub-menu reports a choice of entry 0..3.
    void ChooseDpiVariant(int entry);
    // Both modes back to the default assignment and labels.
    void RestoreKeys();

    // A left press on the page: closes a menu when the press is neither in
    // its box nor in its list, and the DPI sub-menu with it.
    void PressOnPage(const QPoint& point);
    // Closes every menu (page change, window hidden).
    void CloseAll();

    bool OpenFlag(int slot) const {
        return slot >= 0 && slot < 12 && openFlags_[static_cast<std::size_t>(slot)];
    }
    QListWidget* Menu(int slot) const;
    QListWidget* DpiMenu() const { return dpiMenu_.data(); }

private:
    settings::Mode ShownMode() const;
    void DestroyMenu(int slot);
    void DestroyDpiMenu();
    SlotChoice Choice(int slot) const;
    // The redraw and the cleared open flag that end every choice.
    void FinishChoice(int slot);
    // Runs the dialog of entry 8..13, which writes its parameters into the
    // slot and names the box's label; false when it was cancelled.
    bool RunParameterDialog(int f, int slot, std::string& label);
    bool RunWindowsDialog(const skin::PopupContext& context, const SlotChoice& choice,
                          std::string& label);
    bool RunMediaDialog(const skin::PopupContext& context, const SlotChoice& choice,
                        std::string& label);
    bool RunFireKeyDialog(const skin::PopupContext& context, const SlotChoice& choice,
                          std::string& label);
    bool RunSingleKeyDialog(const skin::PopupContext& context, const SlotChoice& choice,
                            std::string& label);
    bool RunComboDialog(const skin::PopupContext& context, const SlotChoice& choice,
                        std::string& label);
    bool RunMacroDialog(const skin::PopupContext& context, const SlotChoice& choice,
                        std::string& label);

    ButtonMenuHost host_;
    std::array<bool, 12> openFlags_{};
    std::array<QPointer<QListWidget>, kBoxCount> menus_{};
    QPointer<QListWidget> dpiMenu_;
};

}  // namespace ornyx::keys::ui
