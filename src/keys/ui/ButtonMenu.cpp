#include "keys/ui/ButtonMenu.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <algorithm>

#include "common/MessageSink.h"
#include "i18n/Texts.h"
#include "keys/ButtonAssignment.h"
#include "keys/KeyFunction.h"
#include "keys/ui/KeyDialogs.h"
#include "macros/ui/MacroDialog.h"
#include "skin/ControlColours.h"

namespace ornyx::keys::ui {

using settings::Mode;

namespace {

constexpr std::string_view kWarningCaption = "Warning";

// The lists of the Basic page draw their rows at the font's height, so that
// the sixteen entries fit the menu's height.
QListWidget* MakeList(QWidget& parent, const QRect& area, const QStringList& entries,
                      const QFont& font, const skin::DrawingSettings& drawing) {
    auto* list = new QListWidget(&parent);
    skin::StyleDropDown(*list, skin::DropDownLook::Of(drawing), font);
    list->setGeometry(area);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setMouseTracking(true);
    list->setFocusPolicy(Qt::NoFocus);
    const int rowHeight = QFontMetrics(font).height();
    for (const QString& e : entries) {
        auto* item = new QListWidgetItem(e, list);
        item->setSizeHint(QSize(area.width() - 2, rowHeight));
    }
    list->show();
    list->raise();
    return list;
}

}  // namespace

ButtonMenus::ButtonMenus(ButtonMenuHost host, QObject* parent)
    : QObject(parent), host_(std::move(host)) {}

ButtonMenus::~ButtonMenus() {
    CloseAll();
}

QListWidget* ButtonMenus::Menu(int slot) const {
    if (slot < 0 || slot >= kBoxCount) return nullptr;
    return menus_[static_cast<std::size_t>(slot)].data();
}

Mode ButtonMenus::ShownMode() const {
    return host_.image.shownMode() == 1 ? Mode::B : Mode::A;
}

void ButtonMenus::DestroyMenu(int slot) {
    auto& menu = menus_[static_cast<std::size_t>(slot)];
    if (menu) {
        // It may be the sender of the notification being handled.
        menu->blockSignals(true);
        menu->hide();
        menu->deleteLater();
        menu = nullptr;
    }
    DestroyDpiMenu();
}

void ButtonMenus::DestroyDpiMenu() {
    if (dpiMenu_) {
        dpiMenu_->blockSignals(true);
        dpiMenu_->hide();
        dpiMenu_->deleteLater();
        dpiMenu_ = nullptr;
    }
}

void ButtonMenus::CloseAll() {
    for (int k = 0; k < kBoxCount; ++k) DestroyMenu(k);
    openFlags_.fill(false);
}

void ButtonMenus::PressOnPage(const QPoint& point) {
    bool outsideAll = true;
    for (int k = 0; k < kBoxCount; ++k) {
        if (!menus_[static_cast<std::size_t>(k)]) continue;
        if (ButtonBoxRect(k).contains(point) || ButtonMenuRect(k).contains(point)) {
            outsideAll = false;
            continue;
        }
        DestroyMenu(k);
        openFlags_[static_cast<std::size_t>(k)] = false;
    }
    if (outsideAll) DestroyDpiMenu();
}

void ButtonMenus::OpenButtonMenu(int slot) {
    if (slot < 0 || slot >= kBoxCount) return;
    const auto s = static_cast<std::size_t>(slot);
    if (openFlags_[s]) {
        DestroyMenu(slot);
        openFlags_[s] = false;
        return;
    }
    for (int k = 0; k < kBoxCount; ++k) {
        if (k != slot) DestroyMenu(k);
    }
    for (std::size_t k = 0; k < openFlags_.size(); ++k) {
        if (k != s) openFlags_[k] = false;
    }

    // The left button must stay somewhere: its only carrier keeps it.
    if (!MenuMayOpen(host_.image, ShownMode(), s)) {
        host_.messages.ShowMessage(
            std::string(i18n::Text(host_.text.language, i18n::TextId::LeftKeyMustBeSelected)),
            std::string(kWarningCaption));
        return;
    }

    if (!menus_[s]) {
        QStringList entries;
        for (std::size_t f = 0; f < i18n::kButtonFunctionCount; ++f)
            entries << skin::FromUtf8(i18n::ButtonFunctionName(host_.text.language, f));
        QListWidget* list =
            MakeList(host_.window, ButtonMenuRect(slot), entries, host_.font, host_.drawing);
        connect(list, &QListWidget::itemEntered, this, [this, slot, list](QListWidgetItem* item) {
            HoverMenuEntry(slot, list->row(item));
        });
        connect(list, &QListWidget::itemClicked, this,
                [this, slot](QListWidgetItem*) { ChooseMenuEntry(slot); });
        menus_[s] = list;
    }
    openFlags_[s] = true;
}

void ButtonMenus::HoverMenuEntry(int slot, int entry) {
    QListWidget* list = Menu(slot);
    if (list == nullptr || entry < 0 || entry >= list->count()) return;
    {
        const QSignalBlocker quiet(list);
        list->setCurrentRow(entry);
    }
    if (entry == kDpiSwitchEntry && !dpiMenu_) {
        const QRect item = list->visualItemRect(list->item(kDpiSwitchEntry));
        const QPoint topRight =
            list->viewport()->mapTo(&host_.window, QPoint(item.right() + 1, item.top()));
        QStringList entries;
        for (std::string_view v : i18n::kDpiSwitchVariants) entries << skin::FromUtf8(v);
        QListWidget* dpi = MakeList(host_.window, QRect(topRight, kDpiMenuSize), entries,
                                    host_.font, host_.drawing);
        skin::SelectEntryUnderPointer(*dpi);
        connect(dpi, &QListWidget::itemClicked, this,
                [this, dpi](QListWidgetItem* chosen) { ChooseDpiVariant(dpi->row(chosen)); });
        dpiMenu_ = dpi;
    } else if (entry != kDpiSwitchEntry) {
        DestroyDpiMenu();
    }
}

SlotChoice ButtonMenus::Choice(int slot) const {
    return {host_.image, host_.text, ShownMode(), static_cast<std::size_t>(slot)};
}

bool ButtonMenus::RunParameterDialog(int f, int slot, std::string& label) {
    const skin::PopupContext context{host_.drawing, host_.text.language, host_.messages};
    const SlotChoice choice = Choice(slot);
    switch (static_cast<ButtonFunction>(f)) {
        case ButtonFunction::WindowsFunction:
            return RunWindowsDialog(context, choice, label);
        case ButtonFunction::Multimedia:
            return RunMediaDialog(context, choice, label);
        case ButtonFunction::FireKey:
            return RunFireKeyDialog(context, choice, label);
        case ButtonFunction::SingleKey:
            return RunSingleKeyDialog(context, choice, label);
        case ButtonFunction::ComboKey:
            return RunComboDialog(context, choice, label);
        case ButtonFunction::Macro:
            return RunMacroDialog(context, choice, label);
        default:
            return false;
    }
}

bool ButtonMenus::RunWindowsDialog(const skin::PopupContext& context, const SlotChoice& choice,
                                   std::string& label) {
    CWindowsDialog dialog(context, &host_.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    label = AssignWindowsFunction(choice, dialog.ChosenIndex(), dialog.ChosenText());
    return true;
}

bool ButtonMenus::RunMediaDialog(const skin::PopupContext& context, const SlotChoice& choice,
                                 std::string& label) {
    CMediaDialog dialog(context, &host_.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    label = AssignMultimedia(choice, dialog.ChosenIndex(), dialog.ChosenText());
    return true;
}

bool ButtonMenus::RunFireKeyDialog(const skin::PopupContext& context, const SlotChoice& choice,
                                   std::string& label) {
    CFireKeyDialog dialog(context, &host_.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    label =
        AssignFireKey(choice, dialog.KeyIndex(), dialog.Speed(), dialog.Times(), dialog.KeyText());
    return true;
}

bool ButtonMenus::RunSingleKeyDialog(const skin::PopupContext& context, const SlotChoice& choice,
                                     std::string& label) {
    CSingleDialog dialog(context, &host_.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    label = AssignSingleKey(choice, dialog.KeyName());
    return true;
}

bool ButtonMenus::RunComboDialog(const skin::PopupContext& context, const SlotChoice& choice,
                                 std::string& label) {
    CComboDialog dialog(context, &host_.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    label = AssignComboKey(choice, dialog.ModifierName(), dialog.KeyName1(), dialog.KeyName2());
    return true;
}

bool ButtonMenus::RunMacroDialog(const skin::PopupContext& context, const SlotChoice& choice,
                                 std::string& label) {
    macros::ui::CMacroDialog dialog(context, host_.recordFile, &host_.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    label = AssignMacro(choice, dialog.MacroNumber(), dialog.RepeatMode(), dialog.MacroName());
    return true;
}

void ButtonMenus::ChooseMenuEntry(int slot) {
    QListWidget* list = Menu(slot);
    if (list == nullptr) return;
    const int f = list->currentRow();
    const SlotChoice choice = Choice(slot);
    switch (KindOfEntry(f)) {
        case EntryKind::Ignored:
            // The menu stays; only the DPI sub-menu assigns the DPI switch.
            FinishChoice(slot);
            return;
        case EntryKind::Shift:
            ChooseShift(choice);
            break;
        case EntryKind::Parameters: {
            std::string label;
            if (RunParameterDialog(f, slot, label))
                ChooseFunction(choice, static_cast<ButtonFunction>(f), label);
            break;
        }
        case EntryKind::Plain:
            ChooseFunction(choice, static_cast<ButtonFunction>(f),
                           std::string(i18n::ButtonFunctionName(host_.text.language,
                                                                static_cast<std::size_t>(f))));
            break;
    }
    DestroyMenu(slot);
    FinishChoice(slot);
}

void ButtonMenus::FinishChoice(int slot) {
    if (host_.redrawBox) host_.redrawBox(slot);
    openFlags_[static_cast<std::size_t>(slot)] = false;
}

void ButtonMenus::ChooseDpiVariant(int entry) {
    if (entry < 0 || entry >= static_cast<int>(i18n::kDpiSwitchVariants.size())) return;
    // The menu beside the sub-menu is the one chosen for; its open flag may
    // already be clear after a click on "DPI Switch" itself.
    int slot = -1;
    for (int k = 0; k < kBoxCount && slot < 0; ++k) {
        if (menus_[static_cast<std::size_t>(k)]) slot = k;
    }
    if (slot < 0) return;
    DestroyMenu(slot);
    openFlags_[static_cast<std::size_t>(slot)] = false;
    keys::ChooseDpiVariant(Choice(slot), entry);
    if (host_.redrawBox) host_.redrawBox(slot);
}

void ButtonMenus::RestoreKeys() {
    keys::RestoreKeys(host_.image);
    host_.text.labels = i18n::DefaultButtonLabels(host_.text.language);
    if (host_.redrawBox) {
        for (int k = 0; k < kBoxCount; ++k) host_.redrawBox(k);
    }
}

}  // namespace ornyx::keys::ui
