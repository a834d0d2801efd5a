#pragma once

// The pop-ups that ask for the parameters of a button function: one key, a
// key combination, a fire key, a multimedia function, a Windows function.
// Each is run modally by the button menu, which reads its results after OK;
// the dialogs store nothing themselves.

#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "keys/ui/KeyCapture.h"
#include "keys/ui/PopupList.h"
#include "skin/PopupFrame.h"

class QLabel;
class QLineEdit;

namespace ornyx::keys::ui {

// A sunken, centred static field in the pop-ups' colours.
QLabel* MakePopupStatic(QWidget& parent, const QRect& area, const QFont& font);

// One keyboard key, captured as the key name the keyboard reports.
class CSingleDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    static constexpr QRect kPromptRect = skin::ToQRect(layout::single_key::kPrompt);
    static constexpr QRect kKeyNameRect = skin::ToQRect(layout::single_key::kKeyName);

    explicit CSingleDialog(const skin::PopupContext& context, QWidget* parent = nullptr);
    ~CSingleDialog() override;

    // Result: the captured key name, empty when no key was pressed.
    const std::string& KeyName() const { return keyName_; }
    bool Capturing() const { return capture_ != nullptr; }

protected:
    void CreateContent() override;
    void DrawContent(skin::DrawSession& session) override;

private:
    bool OnKey(const CapturedKey& key);

    std::string keyName_;
    QLabel* keyLabel_ = nullptr;
    std::unique_ptr<KeyCapture> capture_;
};

// A modifier and up to two keys.
class CComboDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    static constexpr QRect kModifierRect = skin::ToQRect(layout::combo_key::kModifier);
    static constexpr QRect kModifierBox = skin::ToQRect(layout::combo_key::kModifierBox);
    static constexpr QRect kModifierListRect = skin::ToQRect(layout::combo_key::kModifierList);
    static constexpr QRect kKey1Rect = skin::ToQRect(layout::combo_key::kKey1);
    static constexpr QRect kKey2Rect = skin::ToQRect(layout::combo_key::kKey2);

    explicit CComboDialog(const skin::PopupContext& context, QWidget* parent = nullptr);
    ~CComboDialog() override;

    // Results; each may be empty.
    const std::string& ModifierName() const { return modifierName_; }
    int ModifierIndex() const { return modifierIndex_; }
    const std::string& KeyName1() const { return keyName1_; }
    const std::string& KeyName2() const { return keyName2_; }
    bool ListOpen() const { return list_.IsOpen(); }
    QListWidget* ModifierList() const { return list_.List(); }
    QLineEdit* KeyEdit(int which) const { return which == 1 ? key1_ : key2_; }

protected:
    void CreateContent() override;
    void BeforePress(const QPoint& point) override;
    bool ContentPress(const QPoint& point) override;

private:
    bool OnKey(const CapturedKey& key);
    void ToggleList();
    void CloseList();
    void ModifierChosen(int row, const QString& text);

    std::string modifierName_;
    int modifierIndex_ = 0;
    std::string keyName1_;
    std::string keyName2_;
    QLabel* modifierLabel_ = nullptr;
    QLineEdit* key1_ = nullptr;
    QLineEdit* key2_ = nullptr;
    PopupList list_;
    std::unique_ptr<KeyCapture> capture_;
};

// A key of the fire-key list, repeated at a speed a number of times.
class CFireKeyDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    static constexpr QRect kKeyRect = skin::ToQRect(layout::fire_key::kKey);
    static constexpr QRect kKeyBox = skin::ToQRect(layout::fire_key::kKeyBox);
    // Room for the entries beside the scroll bar; clear of OK and Cancel.
    static constexpr QRect kKeyListRect = skin::ToQRect(layout::fire_key::kKeyList);
    static constexpr QRect kSpeedLabelRect = skin::ToQRect(layout::fire_key::kSpeedLabel);
    static constexpr QRect kSpeedRect = skin::ToQRect(layout::fire_key::kSpeed);
    static constexpr QRect kTimesLabelRect = skin::ToQRect(layout::fire_key::kTimesLabel);
    static constexpr QRect kTimesRect = skin::ToQRect(layout::fire_key::kTimes);
    static constexpr QRect kSpeedHintRect = skin::ToQRect(layout::fire_key::kSpeedHint);
    static constexpr QRect kTimesHintRect = skin::ToQRect(layout::fire_key::kTimesHint);

    static constexpr std::uint8_t kMinSpeed = 5;
    static constexpr std::uint8_t kDefaultSpeed = 32;
    static constexpr std::uint8_t kDefaultTimes = 1;

    explicit CFireKeyDialog(const skin::PopupContext& context, QWidget* parent = nullptr);
    ~CFireKeyDialog() override;

    // Results.
    int KeyIndex() const { return keyIndex_; }
    const std::string& KeyText() const { return keyText_; }
    std::uint8_t Speed() const { return speed_; }
    std::uint8_t Times() const { return times_; }
    bool ListOpen() const { return list_.IsOpen(); }
    QListWidget* KeyList() const { return list_.List(); }
    QLineEdit* SpeedEdit() const { return speedEdit_; }
    QLineEdit* TimesEdit() const { return timesEdit_; }

protected:
    void CreateContent() override;
    void DrawContent(skin::DrawSession& session) override;
    bool OnOk() override;
    void BeforePress(const QPoint& point) override;
    bool ContentPress(const QPoint& point) override;
    QAbstractScrollArea* WheelList() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ToggleList();
    void CloseList();
    void KeyChosen(int row, const QString& text);
    void TakeSpeed();
    void TimesChanged(const QString& text);

    int keyIndex_ = 0;
    std::string keyText_;
    std::uint8_t speed_ = kDefaultSpeed;
    std::uint8_t times_ = kDefaultTimes;
    QLabel* keyLabel_ = nullptr;
    QLineEdit* speedEdit_ = nullptr;
    QLineEdit* timesEdit_ = nullptr;
    PopupList list_;
};

// One entry of a fixed list: the multimedia functions or the Windows
// functions.
class CListChoiceDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    // Wide enough for the longest choice of any language.
    static constexpr QRect kChosenRect = skin::ToQRect(layout::list_key::kChosen);
    static constexpr QRect kBox = skin::ToQRect(layout::list_key::kBox);

    // Results: index 0 and the text shown at start until something is chosen.
    int ChosenIndex() const { return chosenIndex_; }
    const std::string& ChosenText() const { return chosenText_; }
    bool ListOpen() const { return list_.IsOpen(); }
    QListWidget* ChoiceList() const { return list_.List(); }

protected:
    CListChoiceDialog(const skin::PopupContext& context, const skin::PopupKind& kind,
                      const QRect& listArea, QWidget* parent);
    ~CListChoiceDialog() override;

    virtual QStringList Entries() const = 0;
    virtual std::string TextAtStart() const = 0;
    void CreateContent() override;
    void BeforePress(const QPoint& point) override;
    bool ContentPress(const QPoint& point) override;

private:
    void Chosen(int row, const QString& text);

    int chosenIndex_ = 0;
    std::string chosenText_;
    QLabel* chosenLabel_ = nullptr;
    PopupList list_;
};

class CMediaDialog : public CListChoiceDialog {
    Q_OBJECT

public:
    // Wider than its box so that every entry shows whole; inside the panel.
    static constexpr QRect kListRect = skin::ToQRect(layout::list_key::kList);
    explicit CMediaDialog(const skin::PopupContext& context, QWidget* parent = nullptr);

protected:
    QStringList Entries() const override;
    std::string TextAtStart() const override;
};

class CWindowsDialog : public CListChoiceDialog {
    Q_OBJECT

public:
    // Wider than its box so that every entry shows whole; inside the panel.
    static constexpr QRect kListRect = skin::ToQRect(layout::list_key::kList);
    explicit CWindowsDialog(const skin::PopupContext& context, QWidget* parent = nullptr);

protected:
    QStringList Entries() const override;
    std::string TextAtStart() const override;
};

// Reads a number as the dialogs do: the leading decimal digits, 0 when there
// are none; values past `ceiling` give ceiling + 1 (so that they fail any
// range check) instead of overflowing.
unsigned LeadingNumber(const QString& text, unsigned ceiling = 0xFFFF);

}  // namespace ornyx::keys::ui
