#include "keys/ui/ButtonMenu.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <algorithm>

#include "common/MessageSink.h"
#include "i18n/Texts.h"
#include "keys/KeyFunction.h"
#include "keys/KeyTables.h"
#include "keys/ui/KeyDialogs.h"
#include "macros/ui/MacroDialog.h"
#include "skin/ControlColours.h"

namespace ornyx::keys::ui {

using settings::Mode;
using settings::SlotArray;

namespace {

constexpr std::string_view kWarningCaption = "Warning";

Mode Other(Mode m) { return m == Mode::A ? Mode::B : Mode::A; }

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// "Entry-parameter", the label of a function with a parameter.
std::string Prefixed(i18n::Language language, ButtonFunction f, std::string_view parameter) {
    std::string label(i18n::ButtonFunctionName(language, static_cast<std::size_t>(f)));
    label += '-';
    label += parameter;
    return label;
}

// The lists of the Basic page draw their rows at the font's height, so that
// the sixteen entries fit the menu's height.
QListWidget* MakeList(QWidget& parent, const QRect& area, const QStringList& entries, const QFont& font,
                      const skin::DrawingSettings& drawing) {
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

ButtonMenus::ButtonMenus(ButtonMenuHost host, QObject* parent) : QObject(parent), host_(std::move(host)) {}

ButtonMenus::~ButtonMenus() { CloseAll(); }

QListWidget* ButtonMenus::Menu(int slot) const {
    if (slot < 0 || slot >= kBoxCount) return nullptr;
    return menus_[static_cast<std::size_t>(slot)].data();
}

Mode ButtonMenus::ShownMode() const { return host_.image.shownMode() == 1 ? Mode::B : Mode::A; }

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
    const Mode shown = ShownMode();
    if (host_.image.function(shown, s) == static_cast<std::uint8_t>(ButtonFunction::LeftButton)) {
        bool another = false;
        for (std::size_t k = 0; k < settings::SettingsImage::kSlots; ++k) {
            if (k != s && host_.image.function(shown, k) == static_cast<std::uint8_t>(ButtonFunction::LeftButton))
                another = true;
        }
        if (!another) {
            host_.messages.ShowMessage(
                std::string(i18n::Text(host_.text.language, i18n::TextId::LeftKeyMustBeSelected)),
                std::string(kWarningCaption));
            return;
        }
    }

    if (!menus_[s]) {
        QStringList entries;
        for (std::size_t f = 0; f < i18n::kButtonFunctionCount; ++f)
            entries << skin::FromUtf8(i18n::ButtonFunctionName(host_.text.language, f));
        QListWidget* list =
            MakeList(host_.window, ButtonMenuRect(slot), entries, host_.font, host_.drawing);
        connect(list, &QListWidget::itemEntered, this,
                [this, slot, list](QListWidgetItem* item) { HoverMenuEntry(slot, list->row(item)); });
        connect(list, &QListWidget::itemClicked, this, [this, slot](QListWidgetItem*) { ChooseMenuEntry(slot); });
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
        const QPoint topRight = list->viewport()->mapTo(&host_.window, QPoint(item.right() + 1, item.top()));
        QStringList entries;
        for (std::string_view v : i18n::kDpiSwitchVariants) entries << skin::FromUtf8(v);
        QListWidget* dpi = MakeList(host_.window, QRect(topRight, kDpiMenuSize), entries, host_.font,
                                    host_.drawing);
        skin::SelectEntryUnderPointer(*dpi);
        connect(dpi, &QListWidget::itemClicked, this,
                [this, dpi](QListWidgetItem* chosen) { ChooseDpiVariant(dpi->row(chosen)); });
        dpiMenu_ = dpi;
    } else if (entry != kDpiSwitchEntry) {
        DestroyDpiMenu();
    }
}

void ButtonMenus::CopyParameters(int f, int slot, Mode from) {
    auto& image = host_.image;
    const auto s = static_cast<std::size_t>(slot);
    const Mode to = Other(from);
    const auto copy = [&](SlotArray a) { image.slot(to, a, s) = image.slot(from, a, s); };
    switch (static_cast<ButtonFunction>(f)) {
        case ButtonFunction::WindowsFunction:
            copy(SlotArray::WindowsFunctionIndex);
            copy(SlotArray::WindowsUsageLow);
            copy(SlotArray::WindowsUsageHigh);
            break;
        case ButtonFunction::Multimedia:
            copy(SlotArray::MultimediaIndex);
            copy(SlotArray::MultimediaUsage);
            break;
        case ButtonFunction::FireKey:
            copy(SlotArray::FireKeyIndex);
            copy(SlotArray::FireKeyCode);
            copy(SlotArray::FireKeySpeed);
            copy(SlotArray::FireKeyTimes);
            break;
        case ButtonFunction::SingleKey:
            copy(SlotArray::SingleKey);
            break;
        case ButtonFunction::ComboKey:
            copy(SlotArray::ComboModifier);
            copy(SlotArray::ComboKey1);
            copy(SlotArray::ComboKey2);
            break;
        case ButtonFunction::Macro:
            copy(SlotArray::MacroNumber);
            copy(SlotArray::MacroRepeatMode);
            break;
        case ButtonFunction::DpiSwitch:
            image.dpiVariant(to, s) = image.dpiVariant(from, s);
            break;
        default:
            break;
    }
}

bool ButtonMenus::RunParameterDialog(int f, int slot, Mode shown, std::string& label) {
    auto& image = host_.image;
    const auto s = static_cast<std::size_t>(slot);
    const i18n::Language language = host_.text.language;
    const skin::PopupContext context{host_.drawing, language, host_.messages};
    const auto at = [&](SlotArray a) -> std::uint8_t& { return image.slot(shown, a, s); };

    switch (static_cast<ButtonFunction>(f)) {
        case ButtonFunction::WindowsFunction: {
            CWindowsDialog dialog(context, &host_.window);
            if (dialog.exec() != QDialog::Accepted) return false;
            const auto i = static_cast<std::size_t>(dialog.chosenIndex());
            at(SlotArray::WindowsFunctionIndex) = Byte(dialog.chosenIndex());
            at(SlotArray::WindowsUsageLow) = static_cast<std::uint8_t>(WindowsFunctionUsage(i) & 0xFF);
            at(SlotArray::WindowsUsageHigh) = i <= 3 ? 1 : i <= 10 ? 2 : 0;
            label = dialog.chosenText();
            return true;
        }
        case ButtonFunction::Multimedia: {
            CMediaDialog dialog(context, &host_.window);
            if (dialog.exec() != QDialog::Accepted) return false;
            const auto i = static_cast<std::size_t>(dialog.chosenIndex());
            at(SlotArray::MultimediaIndex) = Byte(dialog.chosenIndex());
            at(SlotArray::MultimediaUsage) = static_cast<std::uint8_t>(MultimediaUsage(i) & 0xFF);
            label = Prefixed(language, ButtonFunction::Multimedia, dialog.chosenText());
            return true;
        }
        case ButtonFunction::FireKey: {
            CFireKeyDialog dialog(context, &host_.window);
            if (dialog.exec() != QDialog::Accepted) return false;
            at(SlotArray::FireKeyIndex) = Byte(dialog.keyIndex());
            at(SlotArray::FireKeyCode) = FireKeyCode(static_cast<std::size_t>(dialog.keyIndex()));
            at(SlotArray::FireKeySpeed) = dialog.speed();
            at(SlotArray::FireKeyTimes) = dialog.times();
            label = Prefixed(language, ButtonFunction::FireKey, dialog.keyText());
            return true;
        }
        case ButtonFunction::SingleKey: {
            CSingleDialog dialog(context, &host_.window);
            if (dialog.exec() != QDialog::Accepted) return false;
            at(SlotArray::SingleKey) = KeyNameToUsage(dialog.keyName());
            label = Prefixed(language, ButtonFunction::SingleKey, dialog.keyName());
            return true;
        }
        case ButtonFunction::ComboKey: {
            CComboDialog dialog(context, &host_.window);
            if (dialog.exec() != QDialog::Accepted) return false;
            const std::uint8_t mask = ModifierNameToMask(dialog.modifierName());
            const std::uint8_t key1 = KeyNameToUsage(dialog.keyName1());
            const std::uint8_t key2 = KeyNameToUsage(dialog.keyName2());
            at(SlotArray::ComboModifier) = mask;
            at(SlotArray::ComboKey1) = key1;
            at(SlotArray::ComboKey2) = key2;
            // Only the parts that reach the mouse are named.
            std::string combination;
            const auto add = [&](bool sent, const std::string& name) {
                if (!sent) return;
                if (!combination.empty()) combination += '+';
                combination += name;
            };
            add(mask != 0, dialog.modifierName());
            add(key1 != 0, dialog.keyName1());
            add(key2 != 0, dialog.keyName2());
            label = Prefixed(language, ButtonFunction::ComboKey, combination);
            return true;
        }
        case ButtonFunction::Macro: {
            macros::ui::CMacroDialog dialog(context, host_.recordFile, &host_.window);
            if (dialog.exec() != QDialog::Accepted) return false;
            at(SlotArray::MacroNumber) = Byte(dialog.macroNumber());
            at(SlotArray::MacroRepeatMode) = Byte(dialog.repeatMode() - 1);
            label = Prefixed(language, ButtonFunction::Macro, dialog.macroName());
            return true;
        }
        default:
            return false;
    }
}

void ButtonMenus::ChooseMenuEntry(int slot) {
    QListWidget* list = Menu(slot);
    if (list == nullptr) return;
    const auto s = static_cast<std::size_t>(slot);
    const int f = list->currentRow();
    const Mode shown = ShownMode();
    const Mode other = Other(shown);
    auto& image = host_.image;
    auto& labels = host_.text.labels;
    std::string& own = labels[i18n::LabelIndex(shown, s)];
    std::string& twin = labels[i18n::LabelIndex(other, s)];
    const auto finish = [&] {
        if (host_.redrawBox) host_.redrawBox(slot);
        openFlags_[s] = false;
    };

    if (f < 0 || f == kDpiSwitchEntry || f >= static_cast<int>(i18n::kButtonFunctionCount)) {
        finish();  // the menu stays; only the DPI sub-menu assigns the DPI switch
        return;
    }
    const auto function = static_cast<std::uint8_t>(f);
    if (f == static_cast<int>(ButtonFunction::Shift)) {
        bool taken = false;
        for (std::size_t k = 0; k < kEncodedSlots; ++k) {
            if (image.function(shown, k) == function) taken = true;
        }
        if (!taken) {
            // Shift works across both modes, so it sits on the same button in each.
            image.function(shown, s) = function;
            image.function(other, s) = function;
            own = std::string(i18n::ButtonFunctionName(host_.text.language, static_cast<std::size_t>(f)));
            twin = own;
        }
        DestroyMenu(slot);
        finish();
        return;
    }

    std::string label;
    if (f >= static_cast<int>(ButtonFunction::WindowsFunction) && f <= static_cast<int>(ButtonFunction::Macro)) {
        if (!RunParameterDialog(f, slot, shown, label)) {
            DestroyMenu(slot);
            finish();
            return;
        }
    } else {
        label = std::string(i18n::ButtonFunctionName(host_.text.language, static_cast<std::size_t>(f)));
    }
    own = label;
    if (image.function(shown, s) == static_cast<std::uint8_t>(ButtonFunction::Shift)) {
        image.function(shown, s) = function;
        image.function(other, s) = function;
        CopyParameters(f, slot, shown);
        twin = own;
    } else {
        image.function(shown, s) = function;
    }
    DestroyMenu(slot);
    finish();
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
    const auto s = static_cast<std::size_t>(slot);
    const Mode shown = ShownMode();
    const Mode other = Other(shown);
    auto& image = host_.image;
    std::string& own = host_.text.labels[i18n::LabelIndex(shown, s)];
    own = std::string(i18n::kDpiSwitchVariants[static_cast<std::size_t>(entry)]);
    DestroyMenu(slot);
    openFlags_[s] = false;

    const bool carriedShift = image.function(shown, s) == static_cast<std::uint8_t>(ButtonFunction::Shift);
    image.function(shown, s) = static_cast<std::uint8_t>(ButtonFunction::DpiSwitch);
    image.dpiVariant(shown, s) = static_cast<std::uint8_t>(entry + 1);
    if (carriedShift) {
        image.function(other, s) = static_cast<std::uint8_t>(ButtonFunction::DpiSwitch);
        CopyParameters(kDpiSwitchEntry, slot, shown);
        host_.text.labels[i18n::LabelIndex(other, s)] = own;
    }
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
