#include "skin/PopupFrame.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <cstdlib>

#include "common/MessageSink.h"
#include "i18n/Texts.h"
#include "skin/ControlColours.h"

namespace ornyx::skin {
namespace {

constexpr std::string_view kButtonNormal = "/button-normal.png";
constexpr std::string_view kButtonOver = "/button-over.png";
constexpr std::string_view kCloseNormal = "/button-close-normal.png";
constexpr std::string_view kCloseOver = "/button-close-over.png";

// One wheel notch; finer wheels and touchpads send parts of it.
constexpr int kWheelNotch = 120;
constexpr int kLinesPerNotch = 3;

PopupFrame::AutoAnswer& AutoAnswerSlot() {
    static PopupFrame::AutoAnswer answer;
    return answer;
}

}  // namespace

PopupFrame::PopupFrame(const PopupContext& context, const PopupKind& kind, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      context_(context),
      kind_(kind),
      canvas_(new SkinCanvas(this)) {
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QString::fromUtf8(kProgramName));
    setMouseTracking(true);
    setFixedSize(0, 0);
}

PopupFrame::~PopupFrame() = default;

bool PopupFrame::Initialise() {
    if (setup_ != Setup::NotTried) return setup_ == Setup::Ready;
    const QString background = context_.drawing.SkinFile(kind_.backgroundFile);
    const bool loaded = canvas_->LoadPage(background);
    setFixedSize(canvas_->PageSize());
    if (!loaded) {
        setup_ = Setup::Failed;
        // Named, so that the user knows which file to put back.
        context_.messages.ShowMessage(
            std::string(kBackgroundFailedText) + "\n" + background.toStdString(),
            std::string(kind_.loadFailureCaption));
        return false;
    }
    canvas_->move(0, 0);
    canvas_->lower();

    font_ = NormalFont(context_.language);
    setFont(font_);  // the children's font too
    okCaption_ = FromUtf8(i18n::Text(context_.language, i18n::PopupTextId::Ok));
    cancelCaption_ = FromUtf8(i18n::Text(context_.language, i18n::PopupTextId::Cancel));
    setup_ = Setup::Ready;
    AssignTexts();
    CreateContent();
    return true;
}

int PopupFrame::exec() {
    finished_ = false;
    if (!Initialise()) {
        setResult(Rejected);
        return Rejected;
    }
    if (AutoAnswerSlot()) {
        // A copy: the answer may replace or clear the hook while it runs.
        const AutoAnswer answer = AutoAnswerSlot();
        setResult(Rejected);
        show();
        answer(*this);
        if (!finished_) done(Rejected);
        return result();
    }
    return QDialog::exec();
}

void PopupFrame::accept() {
    if (OnOk()) QDialog::accept();
}

void PopupFrame::done(int result) {
    finished_ = true;
    drag_.Release();
    QDialog::done(result);
}

void PopupFrame::SetAutoAnswer(AutoAnswer answer) {
    AutoAnswerSlot() = std::move(answer);
}

void PopupFrame::SetAutoAnswer(QDialog::DialogCode code) {
    SetAutoAnswer([code](PopupFrame& dialog) {
        if (code == QDialog::Accepted)
            dialog.accept();
        else
            dialog.reject();
    });
}

void PopupFrame::ClearAutoAnswer() {
    AutoAnswerSlot() = nullptr;
}

PopupFrame::FrameButton PopupFrame::ButtonAt(const QPoint& point) {
    if (kOkRect.contains(point)) return FrameButton::Ok;
    if (kCancelRect.contains(point)) return FrameButton::Cancel;
    if (kCloseRect.contains(point)) return FrameButton::Close;
    return FrameButton::None;
}

DrawSession PopupFrame::BeginDraw() {
    return DrawSession(*canvas_, context_.drawing, font_, &context_.messages);
}

void PopupFrame::RedrawFrame() {
    if (setup_ != Setup::Ready) return;
    hovered_ = FrameButton::None;
    DrawSession session = BeginDraw();
    DrawButton(session, FrameButton::Ok, false);
    DrawButton(session, FrameButton::Cancel, false);
    DrawContent(session);
    DrawButton(session, FrameButton::Close, false);
}

void PopupFrame::DrawButton(DrawSession& session, FrameButton button, bool over) {
    switch (button) {
        case FrameButton::Ok:
            session.Element(over ? kButtonOver : kButtonNormal, kOkRect.x(), kOkRect.y());
            session.Text(okCaption_, kOkRect, TextFormat::CentredSingleLine);
            return;
        case FrameButton::Cancel:
            session.Element(over ? kButtonOver : kButtonNormal, kCancelRect.x(), kCancelRect.y());
            session.Text(cancelCaption_, kCancelRect, TextFormat::CentredSingleLine);
            return;
        case FrameButton::Close:
            session.Element(over ? kCloseOver : kCloseNormal, kCloseRect.x(), kCloseRect.y());
            return;
        case FrameButton::None:
            return;
    }
}

// One element at most is lit: the one under the pointer. Each change redraws
// the element that goes dark and the one that lights up, in one session.
void PopupFrame::SetHovered(FrameButton button) {
    if (button == hovered_ || setup_ != Setup::Ready) return;
    const FrameButton previous = hovered_;
    hovered_ = button;
    DrawSession session = BeginDraw();
    DrawButton(session, previous, false);
    DrawButton(session, button, true);
}

void PopupFrame::ColourControl(QWidget& control) const {
    ColourPopupControl(control, font_);
}

void PopupFrame::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!Initialise()) {
        // Shown without exec(): end as a failed exec() would.
        QMetaObject::invokeMethod(
            this, [this] { done(Rejected); }, Qt::QueuedConnection);
        return;
    }
    RedrawFrame();
}

void PopupFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    BeforePress(point);
    switch (ButtonAt(point)) {
        case FrameButton::Ok:
            accept();
            return;
        case FrameButton::Cancel:
        case FrameButton::Close:
            reject();
            return;
        case FrameButton::None:
            break;
    }
    if (ContentPress(point)) return;
    if (draggable_) {
        drag_.Press(*this, *event);
        return;
    }
    QDialog::mousePressEvent(event);
}

void PopupFrame::mouseMoveEvent(QMouseEvent* event) {
    if (drag_.Move(*this, *event)) return;
    SetHovered(ButtonAt(event->position().toPoint()));
    QDialog::mouseMoveEvent(event);
}

void PopupFrame::mouseReleaseEvent(QMouseEvent* event) {
    drag_.Release();
    QDialog::mouseReleaseEvent(event);
}

void PopupFrame::leaveEvent(QEvent* event) {
    // A pointer that leaves the window straight from a button leaves it dark.
    SetHovered(FrameButton::None);
    QDialog::leaveEvent(event);
}

void PopupFrame::wheelEvent(QWheelEvent* event) {
    QAbstractScrollArea* list = WheelList();
    if (list == nullptr) {
        wheelRemainder_ = 0;
        QDialog::wheelEvent(event);
        return;
    }
    wheelRemainder_ += event->angleDelta().y();
    while (std::abs(wheelRemainder_) >= kWheelNotch) {
        const bool up = wheelRemainder_ > 0;
        for (int i = 0; i < kLinesPerNotch; ++i)
            list->verticalScrollBar()->triggerAction(up ? QAbstractSlider::SliderSingleStepSub
                                                        : QAbstractSlider::SliderSingleStepAdd);
        wheelRemainder_ += up ? -kWheelNotch : kWheelNotch;
    }
    event->accept();
}

void PopupFrame::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            accept();
            return;
        case Qt::Key_Escape:
            reject();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void SelectEntryUnderPointer(QListWidget& list) {
    list.setMouseTracking(true);
    QObject::connect(&list, &QListWidget::itemEntered, &list, [&list](QListWidgetItem* item) {
        const QSignalBlocker quiet(list);
        list.setCurrentItem(item);
    });
}

}  // namespace ornyx::skin
