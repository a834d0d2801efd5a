#include "macros/ui/MacroPanel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPolygon>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QWidget>
#include <algorithm>

#include "i18n/Texts.h"
#include "macros/MacroItems.h"
#include "macros/ui/DelayTimeDialog.h"
#include "skin/ControlColours.h"
#include "skin/PopupFrame.h"

namespace ornyx::macros::ui {

namespace {

// The item list's context menu command.
constexpr int kDeleteItemCommand = 32772;
// A delay above this, entered in the delay dialog, becomes the default delay.
constexpr std::int64_t kMaxDelayMs = 10000;
constexpr std::string_view kClickWord = " Click";
// Loop counts have five digits at most (1..65535).
constexpr int kLoopTimesDigits = 5;

QString Q(std::string_view s) {
    return skin::FromUtf8(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

bool IsDelayLine(const QString& line) {
    return line.contains(QStringLiteral("ms"));
}

void SetUpList(QListWidget& list, QRect geometry) {
    list.setGeometry(geometry);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setFocusPolicy(Qt::NoFocus);
}

}  // namespace

MacroPanel::MacroPanel(QWidget& window, MacroPanelContext context)
    : window_(window),
      context_(std::move(context)),
      store_(context_.recordFile, context_.image, context_.messages,
             MacroTexts::For(context_.language)) {
    recorder_ = std::make_unique<ui::Recorder>(static_cast<RecordTarget&>(*this), context_.messages,
                                               context_.language, &window_);
    CreateControls();
    {
        const settings::HomeLock lock = LockFiles();
        store_.LoadPanel(state_);
    }
    Refresh();
}

settings::HomeLock MacroPanel::LockFiles() {
    return context_.lockFiles ? context_.lockFiles() : settings::HomeLock();
}

MacroPanel::~MacroPanel() {
    recorder_.reset();  // silently, before the item list goes
    for (QWidget* w : std::initializer_list<QWidget*>{
             macroList_, itemList_, nameBox_, loopTimesBox_, mouseEventField_, mouseEventList_}) {
        if (w == nullptr) continue;
        w->blockSignals(true);  // a dying list reports its selection going
        delete w;
    }
}

QString MacroPanel::T(i18n::TextId id) const {
    return Q(i18n::Text(context_.language, id));
}

void MacroPanel::CreateControls() {
    const QFont& font = context_.normalFont;

    macroList_ = new QListWidget(&window_);
    macroList_->setObjectName("macroList");
    SetUpList(*macroList_, kMacroListRect);
    macroList_->setFrameShape(QFrame::NoFrame);
    macroList_->setFont(font);
    connect(macroList_, &QListWidget::currentRowChanged, this, &MacroPanel::MacroChosen);

    itemList_ = new QListWidget(&window_);
    itemList_->setObjectName("itemList");
    SetUpList(*itemList_, kItemListRect);
    itemList_->setFrameShape(QFrame::NoFrame);
    itemList_->setFont(font);
    // The line under the pointer is the one the menu, the delay editor and
    // the mouse-event inserter act on.
    skin::SelectEntryUnderPointer(*itemList_);
    itemList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(itemList_, &QListWidget::customContextMenuRequested, this, &MacroPanel::OpenItemMenu);
    connect(itemList_, &QListWidget::itemDoubleClicked, this, [this] { EditDelay(); });

    const auto edit = [&](const char* name, QRect geometry) {
        auto* box = new QLineEdit(&window_);
        box->setObjectName(name);
        box->setGeometry(geometry);
        box->setFrame(false);
        box->setAlignment(Qt::AlignCenter);
        box->setTextMargins(0, 0, 0, 0);
        box->setFont(font);
        return box;
    };
    nameBox_ = edit("macroName", kNameRect);
    loopTimesBox_ = edit("loopTimes", kLoopTimesRect);
    loopTimesBox_->setMaxLength(kLoopTimesDigits);
    loopTimesBox_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), loopTimesBox_));
    connect(loopTimesBox_, &QLineEdit::textChanged, this, &MacroPanel::LoopTimesEdited);

    mouseEventField_ = new QLabel(&window_);
    mouseEventField_->setObjectName("mouseEventField");
    mouseEventField_->setGeometry(kMouseEventFieldRect);
    mouseEventField_->setAlignment(Qt::AlignCenter);
    // Presses go through to the window, which opens the list.
    mouseEventField_->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Screen readers name the controls by the captions drawn beside them.
    macroList_->setAccessibleName(T(i18n::TextId::SelectMacro));
    itemList_->setAccessibleName(T(i18n::TextId::KeyPressSequence));
    nameBox_->setAccessibleName(T(i18n::TextId::MacroName));
    loopTimesBox_->setAccessibleName(T(i18n::TextId::LoopTimes));
    mouseEventField_->setAccessibleName(T(i18n::TextId::InsertMouseEvent));
    ShowControls();
}

void MacroPanel::ColourControls() {
    const QColor text = context_.drawing.TextColour();
    const QFont& font = context_.normalFont;
    skin::ColourMainControl(*macroList_, skin::MainControl::MacroList, text, font);
    skin::ColourMainControl(*itemList_, skin::MainControl::MacroList, text, font);
    skin::ColourMainControl(*nameBox_, skin::MainControl::Edit, text, font);
    skin::ColourMainControl(*loopTimesBox_, skin::MainControl::Edit, text, font);
    skin::ColourMainControl(*mouseEventField_, skin::MainControl::DarkStatic, text, font);
}

void MacroPanel::ShowControls() {
    ColourControls();
    for (QWidget* w : std::initializer_list<QWidget*>{macroList_, itemList_, nameBox_,
                                                      loopTimesBox_, mouseEventField_}) {
        w->show();
    }
}

void MacroPanel::HideControls() {
    recorder_->StopSilently();
    CloseMouseEventList();
    for (QWidget* w : std::initializer_list<QWidget*>{macroList_, itemList_, nameBox_,
                                                      loopTimesBox_, mouseEventField_}) {
        w->hide();
    }
}

void MacroPanel::DrawCaptions(skin::DrawSession& session) const {
    session.Text(T(i18n::TextId::MacroName), kMacroNameCaption, skin::TextFormat::LeftSingleLine);
    session.Text(T(i18n::TextId::LoopTimes), kLoopTimesCaption, skin::TextFormat::LeftSingleLine);
    session.Text(T(i18n::TextId::InsertMouseEvent), kInsertCaption,
                 skin::TextFormat::LeftSingleLine);
    // The drop-down arrow beside the mouse-event field.
    QPainter& p = session.Painter();
    if (!p.isActive()) return;
    const QRect arrow =
        skin::RectFromEdges(kMouseEventFieldRect.right() + 1, kMouseEventBox.top(),
                            kMouseEventBox.right() + 1, kMouseEventBox.bottom() + 1);
    p.save();
    p.fillRect(arrow, Qt::black);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(context_.drawing.TextColour());
    const QPointF c = QRectF(arrow).center();
    p.drawPolygon(QPolygonF({c + QPointF(-4, -2), c + QPointF(4, -2), c + QPointF(0, 3)}));
    p.restore();
}

// ---- State and widgets --------------------------------------------------------------

void MacroPanel::Refresh() {
    {
        const QSignalBlocker quiet(macroList_);
        QStringList names;
        for (const std::string& n : state_.macroNames) names << Q(n);
        QStringList shown;
        for (int i = 0; i < macroList_->count(); ++i) shown << macroList_->item(i)->text();
        if (shown != names) {
            macroList_->clear();
            macroList_->addItems(names);
        }
        if (state_.HasSelection()) {
            macroList_->setCurrentRow(state_.selected);
        } else {
            macroList_->setCurrentRow(-1);
            macroList_->clearSelection();
        }
    }
    {
        const QSignalBlocker quiet(itemList_);
        itemList_->clear();
        for (const std::string& line : state_.items) itemList_->addItem(Q(line));
    }
    {
        const QSignalBlocker quiet(nameBox_);
        nameBox_->setText(Q(state_.name));
    }
    {
        const QSignalBlocker quiet(loopTimesBox_);
        loopTimesBox_->setText(Q(state_.loopTimes));
    }
}

void MacroPanel::Take() {
    state_.items = Items();
    state_.name = S(nameBox_->text());
    state_.loopTimes = S(loopTimesBox_->text());
}

std::vector<std::string> MacroPanel::Items() const {
    std::vector<std::string> items;
    if (itemList_ == nullptr) return items;
    items.reserve(static_cast<std::size_t>(itemList_->count()));
    for (int i = 0; i < itemList_->count(); ++i) items.push_back(S(itemList_->item(i)->text()));
    return items;
}

int MacroPanel::SelectedItem() const {
    const QList<QListWidgetItem*> selected = itemList_->selectedItems();
    return selected.isEmpty() ? -1 : itemList_->row(selected.front());
}

void MacroPanel::MacroChosen(int row) {
    if (row < 0) return;
    // Another macro discards what was not confirmed.
    Take();
    state_.selected = row;
    const settings::HomeLock lock = LockFiles();
    store_.SelectMacro(state_);
    Refresh();
}

void MacroPanel::LoopTimesEdited(const QString& text) {
    state_.loopTimes = S(text);
    {
        const settings::HomeLock lock = LockFiles();
        store_.SetLoopTimes(state_);
    }
    if (Q(state_.loopTimes) != text) {
        const QSignalBlocker quiet(loopTimesBox_);
        loopTimesBox_->setText(Q(state_.loopTimes));
    }
}

// ---- Buttons ----------------------------------------------------------------------

void MacroPanel::CreateMacro() {
    Take();
    if (store_.CreateMacro(state_)) Refresh();
}

void MacroPanel::DeleteMacro() {
    Take();
    const settings::HomeLock lock = LockFiles();
    if (store_.DeleteMacro(state_)) Refresh();
}

void MacroPanel::ConfirmMacro() {
    Take();
    const settings::HomeLock lock = LockFiles();
    store_.ConfirmMacro(state_);
}

// ---- Item list --------------------------------------------------------------------

void MacroPanel::InsertItems(int at, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) itemList_->insertItem(at++, Q(line));
}

void MacroPanel::InsertMouseEvent(std::size_t entry) {
    if (entry >= kMouseEvents.size()) return;
    const std::string_view chosen = kMouseEvents[entry];
    const std::string delay = DelayItem(kDefaultDelayMs);
    std::vector<std::string> events;
    if (chosen.ends_with(kClickWord)) {
        const std::string_view button = chosen.substr(0, chosen.size() - kClickWord.size());
        events = {PressItem(button), ReleaseItem(button)};
    } else {
        events = {std::string(chosen)};
    }
    // After a delay line (or into an empty list): the events, each followed by
    // a delay. After an event line: a delay before each event, so that events
    // and delays keep alternating.
    std::vector<std::string> eventFirst;
    std::vector<std::string> delayFirst;
    for (const std::string& e : events) {
        eventFirst.insert(eventFirst.end(), {e, delay});
        delayFirst.insert(delayFirst.end(), {delay, e});
    }
    const int s = SelectedItem();
    if (s < 0) {
        if (itemList_->count() == 0 && state_.HasSelection()) InsertItems(0, eventFirst);
    } else if (IsDelayLine(itemList_->item(s)->text())) {
        InsertItems(s + 1, eventFirst);
        itemList_->setCurrentRow(s + 1);
    } else {
        InsertItems(s + 1, delayFirst);
        itemList_->setCurrentRow(s + 2);
    }
    mouseEventField_->setText(Q(chosen));
    CloseMouseEventList();
}

void MacroPanel::EditDelay() {
    const int s = SelectedItem();
    if (s < 0 || !IsDelayLine(itemList_->item(s)->text())) return;
    CDelayTimeDialog dialog({context_.drawing, context_.language, context_.messages}, &window_);
    if (dialog.exec() != QDialog::Accepted) return;
    // The text as typed, so that lines stay as other record.ini writers store
    // them ("007 ms", and " ms" for an empty box); the packer reads 7 and 0.
    const QString line = dialog.Value() > kMaxDelayMs ? Q(DelayItem(kDefaultDelayMs))
                                                      : dialog.Text() + Q(kDelaySuffix);
    if (itemList_ == nullptr || s >= itemList_->count()) return;  // the page went meanwhile
    delete itemList_->takeItem(s);
    itemList_->insertItem(s, line);
    itemList_->setCurrentRow(s);
}

void MacroPanel::DeleteItem() {
    const int s = SelectedItem();
    if (s >= 0) delete itemList_->takeItem(s);
}

void MacroPanel::OpenItemMenu(const QPoint& pos) {
    if (QListWidgetItem* item = itemList_->itemAt(pos)) itemList_->setCurrentItem(item);
    auto* menu = new QMenu(&window_);
    menu->setObjectName("itemMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* remove = menu->addAction(T(i18n::TextId::Delete));
    remove->setData(kDeleteItemCommand);
    connect(remove, &QAction::triggered, this, &MacroPanel::DeleteItem);
    menu->popup(itemList_->viewport()->mapToGlobal(pos));
}

// ---- Mouse-event list ---------------------------------------------------------------

void MacroPanel::BeforePress(const QPoint& point) {
    if (mouseEventList_ != nullptr && !kMouseEventListRect.contains(point) &&
        !kMouseEventBox.contains(point)) {
        CloseMouseEventList();
    }
}

void MacroPanel::ToggleMouseEventList() {
    if (mouseEventList_ != nullptr) {
        CloseMouseEventList();
        return;
    }
    auto* list = new QListWidget(&window_);
    list->setObjectName("mouseEventList");
    list->setAccessibleName(T(i18n::TextId::InsertMouseEvent));
    SetUpList(*list, kMouseEventListRect);
    for (std::string_view e : kMouseEvents) list->addItem(Q(e));
    skin::StyleDropDown(*list, skin::DropDownLook::Of(context_.drawing), context_.normalFont);
    skin::SelectEntryUnderPointer(*list);
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
        InsertMouseEvent(static_cast<std::size_t>(list->row(item)));
    });
    list->show();
    list->raise();
    mouseEventList_ = list;
}

void MacroPanel::CloseMouseEventList() {
    if (mouseEventList_ == nullptr) return;
    // It may be the sender of the click being handled.
    mouseEventList_->hide();
    mouseEventList_->deleteLater();
    mouseEventList_ = nullptr;
}

// ---- Recorder target ------------------------------------------------------------------

bool MacroPanel::HasMacros() const {
    return macroList_ != nullptr && macroList_->count() > 0;
}

bool MacroPanel::HasSelectedMacro() const {
    return state_.HasSelection();
}

void MacroPanel::ClearItems() {
    itemList_->clear();
}

void MacroPanel::RemoveLastItems(std::size_t count) {
    for (; count > 0 && itemList_->count() > 0; --count) {
        delete itemList_->takeItem(itemList_->count() - 1);
    }
}

void MacroPanel::AppendItems(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) itemList_->addItem(Q(line));
    if (itemList_->count() > 0) itemList_->setCurrentRow(itemList_->count() - 1);
}

}  // namespace ornyx::macros::ui
