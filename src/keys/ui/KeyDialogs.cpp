#include "keys/ui/KeyDialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "i18n/Texts.h"
#include "keys/KeyTables.h"
#include "skin/ControlColours.h"

namespace ornyx::keys::ui {

using i18n::PopupTextId;
using skin::FromUtf8;
using skin::TextFormat;

namespace {

QString PopupText(const skin::PopupContext& context, PopupTextId id) {
    return FromUtf8(i18n::Text(context.language, id));
}

// A centred edit of the combination and fire-key dialogs.
QLineEdit* MakeEdit(QWidget& parent, const QRect& area, const QFont& font) {
    auto* edit = new QLineEdit(&parent);
    edit->setGeometry(area);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFrame(false);
    edit->setTextMargins(0, 0, 0, 0);
    skin::ColourPopupControl(*edit, font);
    edit->show();
    return edit;
}

PopupList::Style ListStyle(const QFont& font, const skin::DrawingSettings& drawing) {
    return [font, look = skin::DropDownLook::Of(drawing)](QListWidget& list) {
        skin::StyleDropDown(list, look, font);
    };
}

bool IsEnterOrEsc(const CapturedKey& key) {
    return key.name == "Enter" || key.name == "Num Enter" || key.name == "Esc";
}

bool IsWindowsKey(const CapturedKey& key) {
    return key.name == "Left Windows" || key.name == "Right Windows";
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace

unsigned LeadingNumber(const QString& text, unsigned ceiling) {
    unsigned value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + static_cast<unsigned>(c.unicode() - '0');
        if (value > ceiling) return ceiling + 1;
    }
    return value;
}

QLabel* MakePopupStatic(QWidget& parent, const QRect& area, const QFont& font) {
    auto* label = new QLabel(&parent);
    label->setGeometry(area);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    skin::ColourPopupControl(*label, font);
    // Clicks go to the dialog, which owns the box under the field.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->show();
    return label;
}

// ---- Single key -----------------------------------------------------------------

CSingleDialog::CSingleDialog(const skin::PopupContext& context, QWidget* parent)
    : PopupFrame(context, skin::kSingleKeyPopup, parent) {}

CSingleDialog::~CSingleDialog() {
    capture_.reset();
}

void CSingleDialog::CreateContent() {
    keyLabel_ = MakePopupStatic(*this, kKeyNameRect, DialogFont());
    capture_ = std::make_unique<KeyCapture>([this](const CapturedKey& key) { return OnKey(key); });
}

void CSingleDialog::DrawContent(skin::DrawSession& session) {
    session.Text(PopupText(Context(), PopupTextId::SingleKeyPrompt), kPromptRect,
                 TextFormat::CentredSingleLine, Qt::white);
}

bool CSingleDialog::OnKey(const CapturedKey& key) {
    // Press and release both name the key; the last one stands.
    keyName_ = key.name;
    if (keyLabel_ != nullptr) {
        keyLabel_->setText(FromUtf8(keyName_));
        keyLabel_->repaint();
    }
    // Enter and Esc are keys to choose here, not the dialog's answers; the
    // Windows keys never reach the desktop from this dialog.
    if (IsWindowsKey(key)) return true;
    return key.press && IsEnterOrEsc(key);
}

// ---- Combination ----------------------------------------------------------------

CComboDialog::CComboDialog(const skin::PopupContext& context, QWidget* parent)
    : PopupFrame(context, skin::kComboPopup, parent),
      list_(*this, kModifierListRect,
            ListStyle(skin::NormalFont(context.language), context.drawing),
            [this](int row, const QString& text) { ModifierChosen(row, text); }) {}

CComboDialog::~CComboDialog() {
    capture_.reset();
}

void CComboDialog::CreateContent() {
    modifierLabel_ = MakePopupStatic(*this, kModifierRect, DialogFont());
    key1_ = MakeEdit(*this, kKey1Rect, DialogFont());
    key2_ = MakeEdit(*this, kKey2Rect, DialogFont());
    // The keys are captured, never typed.
    key1_->setReadOnly(true);
    key2_->setReadOnly(true);
    capture_ = std::make_unique<KeyCapture>([this](const CapturedKey& key) { return OnKey(key); });
}

bool CComboDialog::OnKey(const CapturedKey& key) {
    QLineEdit* target = nullptr;
    if (key1_ != nullptr && key1_->hasFocus()) {
        keyName1_ = key.name;
        target = key1_;
    } else if (key2_ != nullptr && key2_->hasFocus()) {
        keyName2_ = key.name;
        target = key2_;
    }
    if (target != nullptr) {
        target->setText(FromUtf8(key.name));
        target->repaint();
    }
    if (IsWindowsKey(key)) return true;
    return key.press && IsEnterOrEsc(key);
}

void CComboDialog::ToggleList() {
    if (list_.IsOpen()) {
        CloseList();
        return;
    }
    key1_->setEnabled(false);
    key2_->setEnabled(false);
    setFocus();
    QStringList names;
    for (const ModifierEntry& m : ModifierTable()) names << FromUtf8(m.name);
    list_.Open(names);
}

void CComboDialog::CloseList() {
    list_.Close();
    if (key1_ != nullptr) key1_->setEnabled(true);
    if (key2_ != nullptr) key2_->setEnabled(true);
}

void CComboDialog::ModifierChosen(int row, const QString& text) {
    modifierName_ = Utf8(text);
    modifierIndex_ = row;
    modifierLabel_->setText(text);
    CloseList();
}

void CComboDialog::BeforePress(const QPoint& point) {
    if (list_.IsOpen() && !kModifierBox.contains(point) && !kModifierListRect.contains(point))
        CloseList();
}

bool CComboDialog::ContentPress(const QPoint& point) {
    if (kModifierBox.contains(point)) {
        ToggleList();
        return true;
    }
    return false;
}

// ---- Fire key -------------------------------------------------------------------

CFireKeyDialog::CFireKeyDialog(const skin::PopupContext& context, QWidget* parent)
    : PopupFrame(context, skin::kFireKeyPopup, parent),
      list_(*this, kKeyListRect, ListStyle(skin::NormalFont(context.language), context.drawing),
            [this](int row, const QString& text) { KeyChosen(row, text); }) {}

CFireKeyDialog::~CFireKeyDialog() = default;

void CFireKeyDialog::CreateContent() {
    keyLabel_ = MakePopupStatic(*this, kKeyRect, DialogFont());
    const auto digits = [this](QLineEdit& edit) {
        edit.setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), &edit));
    };
    speedEdit_ = MakeEdit(*this, kSpeedRect, DialogFont());
    digits(*speedEdit_);
    speedEdit_->setText(QString::number(kDefaultSpeed));
    speedEdit_->installEventFilter(this);
    timesEdit_ = MakeEdit(*this, kTimesRect, DialogFont());
    digits(*timesEdit_);
    timesEdit_->setText(QString::number(kDefaultTimes));
    connect(timesEdit_, &QLineEdit::textEdited, this, &CFireKeyDialog::TimesChanged);
}

void CFireKeyDialog::DrawContent(skin::DrawSession& session) {
    const auto text = [&](PopupTextId id, const QRect& r, TextFormat f) {
        session.Text(PopupText(Context(), id), r, f, Qt::white);
    };
    text(PopupTextId::FireKeySpeedLabel, kSpeedLabelRect, TextFormat::CentredSingleLine);
    text(PopupTextId::FireKeyTimesLabel, kTimesLabelRect, TextFormat::CentredSingleLine);
    text(PopupTextId::FireKeySpeedHint, kSpeedHintRect, TextFormat::WordWrap);
    text(PopupTextId::FireKeyTimesHint, kTimesHintRect, TextFormat::WordWrap);
}

void CFireKeyDialog::TakeSpeed() {
    const unsigned value = LeadingNumber(speedEdit_->text());
    if (value < kMinSpeed || value > 255) {
        speed_ = kMinSpeed;
        speedEdit_->setText(QString::number(kMinSpeed));
    } else {
        speed_ = static_cast<std::uint8_t>(value);
    }
}

void CFireKeyDialog::TimesChanged(const QString& text) {
    const unsigned value = LeadingNumber(text);
    if (value > 255) {
        times_ = kDefaultTimes;
        timesEdit_->setText(QString::number(kDefaultTimes));
    } else {
        times_ = static_cast<std::uint8_t>(value);
    }
}

bool CFireKeyDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == speedEdit_ && event->type() == QEvent::FocusOut) TakeSpeed();
    return PopupFrame::eventFilter(watched, event);
}

bool CFireKeyDialog::OnOk() {
    // A speed typed and confirmed while its edit still has the focus counts too.
    if (speedEdit_ != nullptr) TakeSpeed();
    if (timesEdit_ != nullptr) TimesChanged(timesEdit_->text());
    return true;
}

void CFireKeyDialog::ToggleList() {
    if (list_.IsOpen()) {
        CloseList();
        return;
    }
    setFocus();  // the speed edit, if it had the focus, takes its value over now
    speedEdit_->setEnabled(false);
    timesEdit_->setEnabled(false);
    QStringList names;
    for (const FireKeyEntry& e : FireKeyTable()) names << FromUtf8(e.name);
    list_.Open(names);
}

void CFireKeyDialog::CloseList() {
    list_.Close();
    if (speedEdit_ != nullptr) speedEdit_->setEnabled(true);
    if (timesEdit_ != nullptr) timesEdit_->setEnabled(true);
}

void CFireKeyDialog::KeyChosen(int row, const QString& text) {
    keyIndex_ = row;
    keyText_ = Utf8(text);
    keyLabel_->setText(text);
    CloseList();
}

void CFireKeyDialog::BeforePress(const QPoint& point) {
    if (list_.IsOpen() && !kKeyBox.contains(point) && !kKeyListRect.contains(point)) CloseList();
}

bool CFireKeyDialog::ContentPress(const QPoint& point) {
    if (kKeyBox.contains(point)) {
        ToggleList();
        return true;
    }
    // A press on the free background takes the focus from the edits, as a
    // click beside a field does.
    setFocus();
    return false;
}

QAbstractScrollArea* CFireKeyDialog::WheelList() {
    return list_.List();
}

// ---- Multimedia and Windows functions ---------------------------------------------

CListChoiceDialog::CListChoiceDialog(const skin::PopupContext& context, const skin::PopupKind& kind,
                                     const QRect& listArea, QWidget* parent)
    : PopupFrame(context, kind, parent),
      list_(*this, listArea, ListStyle(skin::NormalFont(context.language), context.drawing),
            [this](int row, const QString& text) { Chosen(row, text); }) {}

CListChoiceDialog::~CListChoiceDialog() = default;

void CListChoiceDialog::CreateContent() {
    chosenText_ = TextAtStart();
    chosenLabel_ = MakePopupStatic(*this, kChosenRect, DialogFont());
    chosenLabel_->setText(FromUtf8(chosenText_));
}

void CListChoiceDialog::Chosen(int row, const QString& text) {
    chosenIndex_ = row;
    chosenText_ = Utf8(text);
    chosenLabel_->setText(text);
    list_.Close();
}

void CListChoiceDialog::BeforePress(const QPoint& point) {
    if (list_.IsOpen() && !kBox.contains(point) && !list_.Area().contains(point)) list_.Close();
}

bool CListChoiceDialog::ContentPress(const QPoint& point) {
    if (!kBox.contains(point)) return false;
    if (list_.IsOpen()) {
        list_.Close();
    } else {
        list_.Open(Entries());
    }
    return true;
}

CMediaDialog::CMediaDialog(const skin::PopupContext& context, QWidget* parent)
    : CListChoiceDialog(context, skin::kMediaPopup, kListRect, parent) {}

QStringList CMediaDialog::Entries() const {
    QStringList entries;
    for (std::string_view name : i18n::MediaFunctionNames(Language())) entries << FromUtf8(name);
    return entries;
}

std::string CMediaDialog::TextAtStart() const {
    return std::string(i18n::MediaFunctionNames(Language())[0]);
}

CWindowsDialog::CWindowsDialog(const skin::PopupContext& context, QWidget* parent)
    : CListChoiceDialog(context, skin::kWindowsPopup, kListRect, parent) {}

QStringList CWindowsDialog::Entries() const {
    QStringList entries;
    for (std::string_view name : i18n::WindowsFunctionNames(Language())) entries << FromUtf8(name);
    return entries;
}

std::string CWindowsDialog::TextAtStart() const {
    return std::string(i18n::Text(Language(), PopupTextId::WindowsFunctionAtStart));
}

}  // namespace ornyx::keys::ui
