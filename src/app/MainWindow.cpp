#include "app/MainWindow.h"

#include "app/Platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainterPath>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cctype>

#include "keys/ui/ButtonMenu.h"
#include "macros/ui/MacroPanel.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"
#include "performance/ui/PointerControls.h"
#include "profile/PrivateProfile.h"
#include "settings/Apply.h"
#include "skin/ControlColours.h"
#include "skin/SkinImage.h"
#include "skin/SkinsDialog.h"

namespace ornyx::app {

using i18n::TextId;
using skin::RectFromEdges;
using skin::TextFormat;

namespace {

// Layout of the main window, in client pixels (left, top, right, bottom).
constexpr QRect kTitle = RectFromEdges(105, 51, 320, 99);
constexpr QRect kPrePageRect = RectFromEdges(14, 54, 54, 94);
constexpr QRect kNextPageRect = RectFromEdges(60, 54, 100, 94);
constexpr QRect kSkinsButton = RectFromEdges(701, 5, 719, 23);
constexpr QRect kMinimiseButton = RectFromEdges(825, 5, 843, 23);
constexpr QRect kCloseButton = RectFromEdges(850, 5, 868, 23);
constexpr QRect kOkButton = RectFromEdges(562, 623, 667, 644);
constexpr QRect kApplyButton = RectFromEdges(666, 623, 771, 644);
constexpr QRect kCancelButton = RectFromEdges(770, 623, 875, 644);
constexpr QRect kLink = RectFromEdges(272, 628, 450, 646);
// Free band under the page title: says when no mouse is connected.
constexpr QRect kMouseStateLine = RectFromEdges(105, 118, 876, 142);
constexpr const char* kTrayToolTip = "Gaming Mouse Setting";
// The page when no skin has a background: the size of the bundled skins' pages.
constexpr QSize kPlainPageSize(890, 660);
constexpr QColor kPlainPageColour(24, 28, 32);
constexpr QColor kPlainLightPageColour(226, 230, 234);

constexpr QRect kKeyDefaultRect = RectFromEdges(307, 549, 412, 570);
constexpr QRect kModeA = RectFromEdges(253, 518, 358, 539);
constexpr QRect kModeB = RectFromEdges(357, 518, 462, 539);
constexpr QRect Box(int k) { return RectFromEdges(252, 199 + 23 * k, 463, 220 + 23 * k); }
constexpr QRect ReportRateCell(std::size_t n) {
    const int i = static_cast<int>(n) - 1;
    return RectFromEdges(542 + 72 * i, 204, 612 + 72 * i, 215);
}
constexpr int DpiColumnLeft(std::size_t level) { return 554 + 27 * (static_cast<int>(level) - 1); }
constexpr int DpiStepTop(std::size_t step) { return 500 - 18 * (static_cast<int>(step) - 1); }
constexpr QRect DpiCell(std::size_t level, std::size_t step) {
    return QRect(DpiColumnLeft(level), DpiStepTop(step), 16, 16);
}
constexpr QRect DpiSwatch(std::size_t level) { return QRect(DpiColumnLeft(level), 523, 16, 16); }
constexpr QRect DpiTick(std::size_t level) { return QRect(DpiColumnLeft(level), 541, 16, 16); }

// Lighting: text fields, click areas and lists.
// Each caption sits over its box, which spans the panel: the longest choices
// (Turkish effect names) need more than half its width.
constexpr QRect LightingCaption(int i) { return RectFromEdges(700, 304 + 40 * i, 866, 320 + 40 * i); }
constexpr std::array<QRect, 3> kLightingField = {
    RectFromEdges(700, 320, 850, 334), RectFromEdges(700, 360, 850, 374),
    RectFromEdges(700, 400, 850, 414)};
constexpr std::array<QRect, 3> kLightingBox = {
    RectFromEdges(700, 320, 866, 334), RectFromEdges(700, 360, 866, 374),
    RectFromEdges(700, 400, 866, 414)};

constexpr QRect kPointerDefaultRect = RectFromEdges(38, 584, 143, 605);
constexpr QRect kNewRect = RectFromEdges(513, 532, 618, 553);
constexpr QRect kDeleteRect = RectFromEdges(617, 532, 722, 553);
constexpr QRect kConfirmRect = RectFromEdges(721, 532, 826, 553);
constexpr QRect kStartRecord = RectFromEdges(735, 229, 764, 258);
constexpr QRect kStopRecord = RectFromEdges(735, 265, 764, 294);

QString Q(std::string_view s) { return skin::FromUtf8(s); }

}  // namespace

CHidMouseDlg::CHidMouseDlg(AppContext& context, bool trayAvailable, QWidget* parent)
    // A tool window has no taskbar entry: only right where the tray reaches it.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | (trayAvailable ? Qt::Tool : Qt::Widget)),
      ctx_(context),
      trayAvailable_(trayAvailable),
      canvas_(new skin::SkinCanvas(this)),
      notifier_(new DesktopNotifier(this)) {
    setWindowTitle(QString::fromUtf8(kProgramName));
    skin::InstallDrawnControlAccessibility();
    setMouseTracking(true);
    canvas_->setMouseTracking(true);
    normalFont_ = skin::NormalFont(ctx_.text.language);
    titleFont_ = skin::TitleFont(ctx_.text.language);
    setFont(normalFont_);
    RefreshDrawing();
    pointerControls_ = std::make_unique<performance::ui::PointerControls>(
        ctx_.settings.image, ctx_.text, ctx_.messages(), *canvas_, drawing_, normalFont_);
    pickColour = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    openLink = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
    buttonMenus_ = std::make_unique<keys::ui::ButtonMenus>(keys::ui::ButtonMenuHost{
        *this, ctx_.settings.image, ctx_.text, drawing_, ctx_.messages(), ctx_.paths.record, normalFont_,
        [this](int k) {
            if (page_ != kBasicPage) return;
            skin::DrawSession s(*canvas_, Drawing(), normalFont_);
            DrawBox(s, k, hover_.count(static_cast<Element>(kBox0 + k)) != 0);
        }});

    // Events come on the reader thread and are handed over synchronously, so
    // at most one is in flight and none is lost.
    connection_ = std::make_unique<device::MouseConnection>(
        ctx_.link(), ctx_.messages(), [this](const device::DeviceEvent& event) {
            QMetaObject::invokeMethod(
                this, [this, event] { OnDeviceEvent(event); }, Qt::BlockingQueuedConnection);
        });
}

CHidMouseDlg::~CHidMouseDlg() {
    if (connection_) {
        // Keep serving hand-overs until the reader has noticed the stop.
        connection_->reader().RequestStop();
        while (!connection_->reader().Finished()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        connection_->StopReader();
    }
}

QString CHidMouseDlg::T(TextId id) const { return Q(i18n::Text(ctx_.text.language, id)); }

void CHidMouseDlg::RefreshDrawing() {
    const auto reported = drawing_.reportedMissing;
    drawing_ = skin::DrawingSettings::From(ctx_.paths, ctx_.text);
    drawing_.reportedMissing = reported;  // named once per run, whatever the skin
}

bool CHidMouseDlg::LoadPageBackground(const char* file) {
    const QString wanted = ctx_.skinFile(file);
    if (canvas_->LoadPage(wanted)) return true;
    // Without its page the window would be 0 x 0: running, but nowhere to be seen.
    if (drawing_.reportedMissing->insert(wanted).second) {
        ctx_.log().Write("missing skin file: " + wanted.toStdString());
        ctx_.messages().ShowMessage(skin::MissingFileText(wanted).toStdString());
    }
    // Another skin that has the page stands in for this run, whole, so that
    // its pieces match; str.ini keeps the choice for when the file is back.
    QStringList others = QDir(QString::fromStdString(ctx_.paths.skins.string()))
                             .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : others) {
        if (name.toStdString() == ctx_.text.skinName) continue;
        const QString candidate = QString::fromStdString(ctx_.paths.skins.string()) + "/" + name + file;
        if (!QFileInfo(candidate).isFile()) continue;
        ctx_.text.skinName = name.toStdString();
        RefreshDrawing();
        if (canvas_->LoadPage(candidate)) {
            ctx_.log().Write("drawing with the skin " + name.toStdString() + " instead");
            return true;
        }
    }
    // No skin has it: a plain page of the usual size, on which whatever
    // elements exist still draw.
    // Light or dark, whichever the text colour reads on.
    const bool darkText = Drawing().TextColour().lightness() < 128;
    canvas_->UsePlainPage(kPlainPageSize, darkText ? kPlainLightPageColour : kPlainPageColour);
    return true;
}

void CHidMouseDlg::Start() {
    if (trayAvailable_) {
        tray_ = new QSystemTrayIcon(this);
        tray_->setIcon(ApplicationIcon());
        tray_->setToolTip(kTrayToolTip);
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger ||
                        reason == QSystemTrayIcon::DoubleClick) {
                        TrayClicked();
                    }
                });
        auto* menu = new QMenu(this);
        menu->addAction(T(TextId::Exit), this, &CHidMouseDlg::Exit);
        tray_->setContextMenu(menu);
        tray_->show();
    }

    if (!connection_->Open()) ShowMouseMissing();
    ShowMouseState();
    if (ctx_.monitor() != nullptr && ctx_.monitor()->Fd() >= 0) {
        monitorNotifier_ = new QSocketNotifier(ctx_.monitor()->Fd(), QSocketNotifier::Read, this);
        connect(monitorNotifier_, &QSocketNotifier::activated, this, &CHidMouseDlg::OnDeviceChange);
    }

    // The window takes the Basic page's size. When that page is built right
    // away its build loads the background; loading it here as well would
    // decode the largest file twice on the way to a shown window.
    const bool showNow = (!trayAvailable_ && !ctx_.options().hidden) || ctx_.options().show;
    if (connection_->present() || showNow) {
        BuildBasicPage();
    } else {
        LoadPageBackground("/BasicSet2.png");
    }
    setFixedSize(canvas_->PageSize());
    canvas_->resize(size());
    // Without a window manager a new window sits at 0,0; start in the middle.
    // On a screen smaller than the window, its top-left corner (close, page
    // buttons) stays in view.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(skin::CentredIn(size(), screen->availableGeometry()));
    }

    // Without a tray the window shows at start, unless started for the
    // session (--hidden): a second start or the launcher brings it then.
    if (showNow) ShowRaised();
}

void CHidMouseDlg::TrayClicked() {
    if (!connection_->present()) {
        ShowMouseMissing();
        return;
    }
    RestorePages();
    ShowRaised();
}

void CHidMouseDlg::Activate() {
    if (trayAvailable_) {
        TrayClicked();
    } else {
        RestorePages();
        ShowRaised();
    }
    ctx_.log().Write(isVisible() ? "activated: the window is shown" : "activated: the window stays hidden");
}

void CHidMouseDlg::ShowRaised() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CHidMouseDlg::PutAway() {
    if (trayAvailable_) {
        hide();
        return;
    }
    // Minimising keeps the window, so its drop-downs close as on hiding.
    if (buttonMenus_) buttonMenus_->CloseAll();
    CloseLightingLists();
    showMinimized();
}

void CHidMouseDlg::RestorePages() {
    if (ctx_.rebuildOnRestore) {
        ctx_.rebuildOnRestore = false;
        if (page_ == kBasicPage) {
            i18n::ReloadLabelsAndSkin(ctx_.paths.text, ctx_.text);
            RefreshDrawing();
        }
        RebuildCurrentPage();
    } else if (!ctx_.pagesBuilt) {
        BuildBasicPage();
    }
}

void CHidMouseDlg::Exit() {
    if (exiting_) return;
    exiting_ = true;
    connection_->reader().RequestStop();
    while (!connection_->reader().Finished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    connection_->StopReader();
    connection_->link().connection().Close();
    if (tray_ != nullptr) tray_->hide();
    hide();
    emit exitRequested();
}

void CHidMouseDlg::ShowNotification(const QString& title, const QString& text, int timeoutMs) {
    shown_.push_back({title, text, timeoutMs});
    ctx_.log().Write("notification: " + title.toStdString() + ": " + text.toStdString());
    // The desktop's notification service keeps a note up for as long as the
    // desktop thinks right; the short balloon times would not let it be read.
    if (notifier_->Send(title, text, [this, title, text] { ShowFallbackNote(title, text); })) return;
    ShowFallbackNote(title, text);
}

void CHidMouseDlg::ShowFallbackNote(const QString& title, const QString& text) {
    constexpr int kReadableMs = 6000;
    if (tray_ != nullptr && QSystemTrayIcon::supportsMessages()) {
        tray_->showMessage(title, text, ApplicationIcon(), kReadableMs);
        return;
    }
    // No notification area: a small note at the top of the screen that goes by itself.
    auto* note = new QLabel(title + "\n" + text, nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    note->setAttribute(Qt::WA_DeleteOnClose);
    note->setStyleSheet(
        "QLabel { background: #1c2126; color: #e6e8ec; border: 1px solid #00c8d2; padding: 8px; }");
    note->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        note->move(area.right() - note->width() - 16, area.top() + 16);
    }
    note->show();
    QTimer::singleShot(kReadableMs, note, &QWidget::close);
}

void CHidMouseDlg::ShowMouseMissing() {
    const auto n = device::NotificationForEvent(i18n::kMouseNotDetectedEvent, 0, ctx_.text.language,
                                                ctx_.settings.image, 0);
    if (n) ShowNotification(Q(n->title), Q(n->text), n->timeoutMs);
}

void CHidMouseDlg::OnDeviceEvent(const device::DeviceEvent& event) {
    const auto n = device::NotificationForEvent(event.code, event.parameter, ctx_.text.language,
                                                ctx_.settings.image,
                                                ctx_.link().state().sensorTypeInUse);
    if (n) ShowNotification(Q(n->title), Q(n->text), n->timeoutMs);
}

void CHidMouseDlg::OnDeviceChange() {
    while (auto change = ctx_.monitor()->Receive()) {
        switch (connection_->HandleDeviceChange(*change)) {
            case device::ChangeOutcome::Lost:
                ShowMouseMissing();
                ShowMouseState();
                PutAway();
                break;
            case device::ChangeOutcome::Arrived:
                ShowMouseState();
                break;
            default:
                break;
        }
    }
}

// ---- Drawing --------------------------------------------------------------

void CHidMouseDlg::DrawElement(skin::DrawSession& s, Element e, bool over) {
    const auto button = [&](const QRect& r, const QString& caption) {
        s.Element(over ? "/button-over.png" : "/button-normal.png", r.left(), r.top());
        s.Text(caption, r, TextFormat::CentredSingleLine);
    };
    switch (e) {
        case kOk: button(kOkButton, T(TextId::Ok)); break;
        case kApply: button(kApplyButton, T(TextId::Apply)); break;
        case kCancel: button(kCancelButton, T(TextId::Cancel)); break;
        case kSkins:
            s.Element(over ? "/button-Skins-over.png" : "/button-Skins-normal.png", kSkinsButton.left(), kSkinsButton.top());
            break;
        case kMinimise:
            s.Element(over ? "/button-min-over.png" : "/button-min-normal.png", kMinimiseButton.left(), kMinimiseButton.top());
            break;
        case kClose:
            s.Element(over ? "/button-close-over.png" : "/button-close-normal.png", kCloseButton.left(), kCloseButton.top());
            break;
        case kPrePage:
            s.Element(over ? "/button-PrePage-over.png" : "/button-PrePage-normal.png", kPrePageRect.left(), kPrePageRect.top());
            break;
        case kNextPage:
            s.Element(over ? "/button-NextPage-over.png" : "/button-NextPage-normal.png", kNextPageRect.left(), kNextPageRect.top());
            break;
        case kKeyDefault: button(kKeyDefaultRect, T(TextId::KeyRestoreDefault)); break;
        case kBox0: case kBox1: case kBox2: case kBox3: case kBox4: case kBox5:
            DrawBox(s, e - kBox0, over);
            break;
        case kPointerDefault: button(kPointerDefaultRect, T(TextId::PointerDefault)); break;
        case kNew: button(kNewRect, T(TextId::New)); break;
        case kDelete: button(kDeleteRect, T(TextId::Delete)); break;
        case kConfirm: button(kConfirmRect, T(TextId::Confirm)); break;
        case kNone: break;
    }
}

void CHidMouseDlg::DrawCommon(skin::DrawSession& s) {
    for (Element e : {kPrePage, kNextPage, kSkins, kMinimise, kClose, kOk, kApply, kCancel}) {
        DrawElement(s, e, false);
    }
    const bool basic = page_ == kBasicPage;
    s.Painter().setFont(titleFont_);
    skin::DrawSkinText(s.Painter(), T(basic ? TextId::BasicSettings : TextId::AdvancedSettings), kTitle,
                       TextFormat::LeftSingleLine, titleFont_, Drawing().TextColour());
    s.Text(T(TextId::LinkText), kLink, TextFormat::CentredSingleLine);
    if (!connection_->present()) s.Text(Q(i18n::NoMouseLine(ctx_.text.language)), kMouseStateLine, TextFormat::LeftSingleLine);
}

void CHidMouseDlg::ShowMouseState() {
    const bool present = connection_->present();
    if (tray_ != nullptr) {
        tray_->setToolTip(present ? QString(kTrayToolTip)
                                  : QString(kTrayToolTip) + "\n" + Q(i18n::NoMouseLine(ctx_.text.language)));
    }
    if (page_ == kNoPage) return;
    // Only the band is redrawn: its piece of the page background, then the line.
    canvas_->RestoreBackground(ctx_.skinFile(page_ == kBasicPage ? "/BasicSet2.png" : "/AdvancedSet2.png"),
                               kMouseStateLine);
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    if (!present) s.Text(Q(i18n::NoMouseLine(ctx_.text.language)), kMouseStateLine, TextFormat::LeftSingleLine);
}

void CHidMouseDlg::DrawBox(skin::DrawSession& s, int k, bool over) {
    const QRect r = Box(k);
    s.Element(over ? "/DropdownBox-over.png" : "/DropdownBox-normal.png", r.left(), r.top());
    const auto mode = ctx_.settings.image.shownMode() == 1 ? settings::Mode::B : settings::Mode::A;
    const QString label = Q(ctx_.text.labels[i18n::LabelIndex(mode, static_cast<std::size_t>(k))]);
    s.Text(QString::number(k + 1), QRect(r.left(), r.top(), 20, r.height()), TextFormat::CentredSingleLine);
    s.Text(label, QRect(r.left() + 20, r.top(), r.width() - 20, r.height()), TextFormat::LeftSingleLine);
}

void CHidMouseDlg::DrawModeButtons(skin::DrawSession& s) {
    const bool b = ctx_.settings.image.shownMode() == 1;
    s.Element(b ? "/button-normal.png" : "/button-over.png", kModeA.left(), kModeA.top());
    s.Text(Q(i18n::kModeA), kModeA, TextFormat::CentredSingleLine);
    s.Element(b ? "/button-over.png" : "/button-normal.png", kModeB.left(), kModeB.top());
    s.Text(Q(i18n::kModeB), kModeB, TextFormat::CentredSingleLine);
}

void CHidMouseDlg::DrawReportRateCell(skin::DrawSession& s, std::size_t position, bool lit) {
    const QRect r = ReportRateCell(position);
    s.Element(lit ? "/slider-RP-light.png" : "/slider-RP-dark.png", r.left(), r.top());
}

void CHidMouseDlg::DrawDpiColumn(skin::DrawSession& s, std::size_t level, bool litWhenOff) {
    const auto& image = ctx_.settings.image;
    const bool on = litWhenOff || image.dpiEnabled(level) != 0;
    // A step index beyond this sensor's list shows as its last step.
    const std::size_t lit = on ? performance::EffectiveDpiStep(panelSensor_, image.dpiStep(level)) + 1 : 0;
    for (std::size_t step = 1; step <= dpiSteps_; ++step) {
        const QRect r = DpiCell(level, step);
        s.Element(step <= lit ? "/slider-DPI-light.png" : "/slider-DPI-dark.png", r.left(), r.top());
    }
}

void CHidMouseDlg::DrawDpiTick(skin::DrawSession& s, std::size_t level) {
    const QRect r = DpiTick(level);
    s.Element(ctx_.settings.image.dpiEnabled(level) != 0 ? "/PaneMakingTick.png" : "/Pane.png", r.left(), r.top());
}

void CHidMouseDlg::DrawDpiSwatch(skin::DrawSession& s, std::size_t level) {
    const auto rgb = ctx_.settings.image.dpiColour(level);
    QPainter& p = s.Painter();
    const QRect r = DpiSwatch(level);
    p.fillRect(r, QColor(rgb[0], rgb[1], rgb[2]));
    p.setPen(QColor(90, 96, 104));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void CHidMouseDlg::DrawLightingFields(skin::DrawSession& s) {
    const auto& image = ctx_.settings.image;
    const i18n::Language lang = ctx_.text.language;
    const std::uint8_t mode = image.lightingMode();
    QString texts[3];
    texts[0] = Q(i18n::LightingModeName(lang, mode));
    if (const auto p = performance::CurrentLightingParameter(image)) {
        texts[1] = Q(performance::LightingParameterName(mode, *p));
    }
    if (const auto e = performance::CurrentColourEffect(image)) {
        texts[2] = Q(i18n::LightingEffectName(lang, *e));
    }
    QPainter& p = s.Painter();
    // The fields are black: a dark text colour gives way to one that reads.
    const QColor ink = skin::ReadableOn(Qt::black, Drawing().TextColour());
    for (int i = 0; i < 3; ++i) {
        const QRect box = kLightingBox[static_cast<std::size_t>(i)];
        p.fillRect(box, Qt::black);
        s.Text(texts[i], kLightingField[static_cast<std::size_t>(i)].adjusted(3, 0, 0, 0), TextFormat::LeftSingleLine,
               ink);
        // The little arrow that says "this opens a list".
        QPainterPath arrow;
        const QPointF c(box.right() - 7, box.center().y() + 1);
        arrow.moveTo(c + QPointF(-4, -2));
        arrow.lineTo(c + QPointF(4, -2));
        arrow.lineTo(c + QPointF(0, 2));
        arrow.closeSubpath();
        p.fillPath(arrow, ink);
    }
}

void CHidMouseDlg::DrawBasic(skin::DrawSession& s) {
    const auto& image = ctx_.settings.image;
    DrawCommon(s);
    DrawElement(s, kKeyDefault, false);
    for (int k = 0; k < 6; ++k) DrawBox(s, k, false);

    const std::size_t litRate = performance::ReportRatePosition(image.reportRate());
    for (std::size_t n = 1; n <= 4; ++n) {
        DrawReportRateCell(s, n, n == litRate);
        const QRect cell = ReportRateCell(n);
        s.Text(Q(i18n::kReportRateCaptions[n - 1]), QRect(cell.left(), 186, cell.width(), 16),
               TextFormat::CentredTop);
    }
    // Section captions run to their panel's edge, so that longer translations show whole.
    s.Text(T(TextId::KeySetting), RectFromEdges(259, 160, 464, 181), TextFormat::LeftSingleLine);
    s.Text(T(TextId::ReportRateSetting), RectFromEdges(504, 161, 866, 182), TextFormat::LeftSingleLine);
    s.Text(T(TextId::DpiSetting), RectFromEdges(504, 275, 676, 296), TextFormat::LeftSingleLine);
    s.Text(T(TextId::DpiEffect), RectFromEdges(704, 275, 866, 296), TextFormat::LeftSingleLine);
    DrawModeButtons(s);

    // DPI panel: the step labels of the sensor's list beside the first column.
    const int labelLeft = dpiSteps_ == 12 ? 514 : 494;
    for (std::size_t step = 1; step <= dpiSteps_; ++step) {
        const int top = DpiStepTop(step);
        s.Text(Q(performance::DpiLabel(panelSensor_ > 3 ? 0 : panelSensor_, static_cast<std::uint8_t>(step - 1))),
               RectFromEdges(labelLeft, top, 550, top + 16), TextFormat::RightSingleLine);
    }
    for (std::size_t level = 1; level <= 4; ++level) {
        DrawDpiColumn(s, level);
        DrawDpiSwatch(s, level);
        DrawDpiTick(s, level);
    }
    s.Text(Q(i18n::kColourCaption), RectFromEdges(494, 523, 550, 539), TextFormat::RightSingleLine);
    s.Text(Q(i18n::kSelectCaption), RectFromEdges(494, 541, 550, 557), TextFormat::RightSingleLine);

    s.Text(T(TextId::Mode), LightingCaption(0), TextFormat::LeftSingleLine);
    s.Text(T(TextId::Parameter), LightingCaption(1), TextFormat::LeftSingleLine);
    s.Text(T(TextId::Effect), LightingCaption(2), TextFormat::LeftSingleLine);
    DrawLightingFields(s);
}

void CHidMouseDlg::DrawAdvanced(skin::DrawSession& s) {
    DrawCommon(s);
    for (Element e : {kPointerDefault, kNew, kDelete, kConfirm}) DrawElement(s, e, false);
    s.Text(T(TextId::MacroSetting), RectFromEdges(469, 160, 578, 181), TextFormat::LeftSingleLine);
    s.Text(T(TextId::SelectMacro), RectFromEdges(457, 196, 592, 220), TextFormat::CentredSingleLine);
    s.Text(T(TextId::KeyPressSequence), RectFromEdges(591, 196, 726, 220), TextFormat::CentredSingleLine);
    s.Text(T(TextId::RecordOption), RectFromEdges(725, 196, 875, 220), TextFormat::CentredSingleLine);
    pointerControls_->Draw(s);

    // Record buttons: a red dot to start, a square to stop.
    QPainter& p = s.Painter();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 50, 50));
    p.drawEllipse(QRectF(kStartRecord).adjusted(6, 6, -6, -6));
    p.setBrush(Drawing().TextColour());
    p.drawRect(QRectF(kStopRecord).adjusted(8, 8, -8, -8));
    p.restore();
    s.Text(T(TextId::StartRecording), RectFromEdges(765, 227, 874, 260), TextFormat::WordWrap);
    s.Text(T(TextId::StopRecording), RectFromEdges(765, 263, 874, 296), TextFormat::WordWrap);
}

// ---- Accessibility ----------------------------------------------------------

std::vector<skin::DrawnControl> CHidMouseDlg::DrawnControls() const {
    using R = QAccessible::Role;
    std::vector<skin::DrawnControl> out;
    const auto add = [&](const QRect& r, R role, const QString& name, const QString& value = {},
                         std::optional<bool> checked = std::nullopt) {
        out.push_back({r, role, name, value, checked.has_value(), checked.value_or(false)});
    };
    if (page_ == kNoPage) return out;
    add(kPrePageRect, R::PageTab, T(TextId::BasicSettings), {}, page_ == kBasicPage);
    add(kNextPageRect, R::PageTab, T(TextId::AdvancedSettings), {}, page_ == kAdvancedPage);
    add(kSkinsButton, R::Button, QStringLiteral("Skins"));
    add(kMinimiseButton, R::Button, QStringLiteral("Minimise"));
    add(kCloseButton, R::Button, T(TextId::Exit));
    add(kOkButton, R::Button, T(TextId::Ok));
    add(kApplyButton, R::Button, T(TextId::Apply));
    add(kCancelButton, R::Button, T(TextId::Cancel));
    add(kLink, R::Link, T(TextId::LinkText));
    const auto& image = ctx_.settings.image;
    if (page_ == kBasicPage) {
        const auto mode = image.shownMode() == 1 ? settings::Mode::B : settings::Mode::A;
        for (int k = 0; k < 6; ++k) {
            add(Box(k), R::ComboBox, T(TextId::KeySetting) + QStringLiteral(" %1").arg(k + 1),
                Q(ctx_.text.labels[i18n::LabelIndex(mode, static_cast<std::size_t>(k))]));
        }
        add(kModeA, R::RadioButton, Q(i18n::kModeA), {}, mode == settings::Mode::A);
        add(kModeB, R::RadioButton, Q(i18n::kModeB), {}, mode == settings::Mode::B);
        add(kKeyDefaultRect, R::Button, T(TextId::KeyRestoreDefault));
        const std::size_t litRate = performance::ReportRatePosition(image.reportRate());
        for (std::size_t n = 1; n <= 4; ++n) {
            add(ReportRateCell(n), R::RadioButton, T(TextId::ReportRateSetting) + u' ' + Q(i18n::kReportRateCaptions[n - 1]),
                {}, n == litRate);
        }
        for (std::size_t level = 1; level <= 4; ++level) {
            const QString name = T(TextId::DpiSetting) + QStringLiteral(" %1").arg(level);
            const QRect column = DpiCell(level, dpiSteps_).united(DpiCell(level, 1));
            add(column, R::Slider, name,
                Q(performance::DpiLabel(panelSensor_ > 3 ? 0 : panelSensor_,
                                        static_cast<std::uint8_t>(performance::EffectiveDpiStep(panelSensor_, image.dpiStep(level))))));
            add(DpiSwatch(level), R::Button, name + u' ' + Q(i18n::kColourCaption));
            add(DpiTick(level), R::CheckBox, name + u' ' + Q(i18n::kSelectCaption), {}, image.dpiEnabled(level) != 0);
        }
        const TextId captions[3] = {TextId::Mode, TextId::Parameter, TextId::Effect};
        for (std::size_t i = 0; i < 3; ++i) add(kLightingBox[i], R::ComboBox, T(captions[i]));
    } else {
        const TextId rows[3] = {TextId::MouseSpeed, TextId::ScrollingSpeed, TextId::DoubleClickSpeed};
        for (int row = 0; row < 3; ++row) {
            add(performance::ui::PointerCell(row, 1).united(performance::ui::PointerCell(row, 11)), R::Slider, T(rows[row]));
        }
        add(performance::ui::kPrecisionTick, R::CheckBox, T(TextId::EnhancePointerPrecision));
        add(performance::ui::kOnePageTick, R::CheckBox, T(TextId::ScrollOneScreen));
        add(kPointerDefaultRect, R::Button, T(TextId::PointerDefault));
        add(kStartRecord, R::Button, T(TextId::StartRecording));
        add(kStopRecord, R::Button, T(TextId::StopRecording));
        add(kNewRect, R::Button, T(TextId::New));
        add(kDeleteRect, R::Button, T(TextId::Delete));
        add(kConfirmRect, R::Button, T(TextId::Confirm));
    }
    return out;
}

// ---- Pages ----------------------------------------------------------------

void CHidMouseDlg::FirstBasicBuild() {
    // Once per process: the sensor tells which DPI list the panel shows.
    settings::SensorHandshake(ctx_.link().transport(), ctx_.link().state());
    if (ctx_.settings.firstRunFlag == 0) {
        const settings::HomeLock lock = ctx_.LockHome();
        const auto written = i18n::ResetLabelsToDefaults(ctx_.paths.text, ctx_.text);
        if (!written.ok) ctx_.log().Write("cannot write default labels: " + written.error);
    }
    ctx_.pagesBuilt = true;
}

void CHidMouseDlg::TearDown() {
    CloseLightingLists();
    if (buttonMenus_ != nullptr) buttonMenus_->CloseAll();
    if (macroPanel_ != nullptr) macroPanel_->HideControls();  // a recording ends silently
    hover_.clear();
}

void CHidMouseDlg::BuildBasicPage() {
    if (page_ == kBasicPage) return;
    if (!ctx_.pagesBuilt) FirstBasicBuild();
    TearDown();
    page_ = kBasicPage;
    panelSensor_ = ctx_.link().state().sensorTypeInUse;
    dpiSteps_ = performance::DpiStepCount(panelSensor_);
    if (!LoadPageBackground("/BasicSet2.png")) return;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawBasic(s);
}

void CHidMouseDlg::BuildAdvancedPage() {
    if (page_ == kAdvancedPage) return;
    TearDown();
    page_ = kAdvancedPage;
    if (macroPanel_ == nullptr) {
        macroPanel_ = std::make_unique<macros::ui::MacroPanel>(
            *this, macros::ui::MacroPanelContext{ctx_.paths.record, ctx_.settings.image, ctx_.messages(),
                                                 ctx_.text.language, drawing_, normalFont_,
                                                 [this] { return ctx_.LockHome(); }});
    } else {
        macroPanel_->ShowControls();
    }
    pointerControls_->PageShown(ctx_.pointerSettings());
    if (!LoadPageBackground("/AdvancedSet2.png")) return;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawAdvanced(s);
    macroPanel_->DrawCaptions(s);
}

void CHidMouseDlg::RebuildCurrentPage() {
    const int current = page_;
    TearDown();
    page_ = kNoPage;
    if (current == kAdvancedPage) {
        BuildAdvancedPage();
    } else {
        BuildBasicPage();
    }
}

// ---- Input ----------------------------------------------------------------

CHidMouseDlg::Element CHidMouseDlg::HoverableAt(const QPoint& p) const {
    const std::pair<QRect, Element> common[] = {
        {kOkButton, kOk}, {kApplyButton, kApply}, {kCancelButton, kCancel}, {kMinimiseButton, kMinimise},
        {kCloseButton, kClose}, {kSkinsButton, kSkins}, {kPrePageRect, kPrePage}, {kNextPageRect, kNextPage}};
    for (const auto& [r, e] : common) {
        if (r.contains(p)) return e;
    }
    if (page_ == kBasicPage) {
        if (kKeyDefaultRect.contains(p)) return kKeyDefault;
        for (int k = 0; k < 6; ++k) {
            if (Box(k).contains(p)) return static_cast<Element>(kBox0 + k);
        }
    } else if (page_ == kAdvancedPage) {
        const std::pair<QRect, Element> advanced[] = {
            {kPointerDefaultRect, kPointerDefault}, {kNewRect, kNew}, {kDeleteRect, kDelete}, {kConfirmRect, kConfirm}};
        for (const auto& [r, e] : advanced) {
            if (r.contains(p)) return e;
        }
    }
    return kNone;
}

void CHidMouseDlg::ClearHover() {
    if (hover_.empty() || page_ == kNoPage) {
        hover_.clear();
        return;
    }
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    for (Element e : hover_) DrawElement(s, e, false);
    hover_.clear();
}

void CHidMouseDlg::SetHover(Element e) {
    if (hover_.count(e) != 0 || page_ == kNoPage) return;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    // Only one element is drawn over at a time.
    for (Element other : hover_) DrawElement(s, other, false);
    hover_.clear();
    DrawElement(s, e, true);
    hover_.insert(e);
}

void CHidMouseDlg::mouseMoveEvent(QMouseEvent* event) {
    if (drag_.Move(*this, *event)) return;
    const Element e = HoverableAt(event->position().toPoint());
    if (e == kNone) {
        ClearHover();
    } else {
        SetHover(e);
    }
    // An open list highlights the entry under the pointer.
    for (auto& list : lightingLists_) {
        if (!list) continue;
        const QPoint local = list->mapFrom(this, event->position().toPoint());
        if (QListWidgetItem* item = list->itemAt(local)) list->setCurrentItem(item);
    }
}

void CHidMouseDlg::leaveEvent(QEvent* event) {
    ClearHover();
    QWidget::leaveEvent(event);
}

void CHidMouseDlg::mouseReleaseEvent(QMouseEvent* event) {
    drag_.Release();
    QWidget::mouseReleaseEvent(event);
}

void CHidMouseDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    if (kOkButton.contains(p)) {
        Apply(true);
        return;
    }
    if (kApplyButton.contains(p)) {
        Apply(false);
        return;
    }
    if (kSkinsButton.contains(p)) {
        RunSkinsDialog();
        return;
    }
    if (kMinimiseButton.contains(p)) {
        PutAway();
        return;
    }
    if (kCloseButton.contains(p)) {
        Exit();
        return;
    }
    if (kPrePageRect.contains(p)) {
        BuildBasicPage();
        return;
    }
    if (kNextPageRect.contains(p)) {
        BuildAdvancedPage();
        return;
    }
    if (kCancelButton.contains(p)) {
        Cancel();
        return;
    }
    if (kLink.contains(p)) {
        std::string url = profile::GetPrivateProfileString(ctx_.paths.text, "Skins", "Link", "", 1024);
        openLink(url.empty() ? Q(i18n::kWebSiteUrl) : QString::fromStdString(url));
        return;
    }
    const bool consumed = page_ == kBasicPage ? PressBasic(p) : page_ == kAdvancedPage ? PressAdvanced(p) : false;
    if (!consumed) drag_.Press(*this, *event);
}

bool CHidMouseDlg::PressBasic(const QPoint& p) {
    // An open list closes on any press outside itself and its box.
    for (std::size_t i = 0; i < lightingLists_.size(); ++i) {
        QListWidget* list = lightingLists_[i];
        if (list != nullptr && !list->geometry().contains(p) && !kLightingBox[i].contains(p)) {
            list->deleteLater();
            lightingLists_[i] = nullptr;
        }
    }
    buttonMenus_->PressOnPage(p);
    auto& image = ctx_.settings.image;
    if (kModeA.contains(p)) {
        ShowMode(0);
        return true;
    }
    if (kModeB.contains(p)) {
        ShowMode(1);
        return true;
    }
    if (kKeyDefaultRect.contains(p)) {
        buttonMenus_->RestoreKeys();
        return true;
    }
    for (int k = 0; k < 6; ++k) {
        if (Box(k).contains(p)) {
            buttonMenus_->OpenButtonMenu(k);
            return true;
        }
    }
    for (std::size_t n = 1; n <= 4; ++n) {
        if (!ReportRateCell(n).contains(p)) continue;
        const std::size_t before = performance::SelectReportRate(image, n);
        if (before != n) {
            skin::DrawSession s(*canvas_, Drawing(), normalFont_);
            DrawReportRateCell(s, before, false);
            DrawReportRateCell(s, n, true);
        }
        return true;
    }
    for (std::size_t level = 1; level <= 4; ++level) {
        if (DpiTick(level).contains(p)) {
            if (performance::ToggleDpiLevel(image, level)) {
                skin::DrawSession s(*canvas_, Drawing(), normalFont_);
                DrawDpiTick(s, level);
                DrawDpiColumn(s, level);
            }
            return true;
        }
        if (DpiSwatch(level).contains(p)) {
            if (image.dpiEnabled(level) == 0) return true;
            const auto rgb = image.dpiColour(level);
            if (const auto c = pickColour(QColor(rgb[0], rgb[1], rgb[2]))) {
                rgb[0] = static_cast<std::uint8_t>(c->red());
                rgb[1] = static_cast<std::uint8_t>(c->green());
                rgb[2] = static_cast<std::uint8_t>(c->blue());
                skin::DrawSession s(*canvas_, Drawing(), normalFont_);
                DrawDpiSwatch(s, level);
            }
            return true;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (kLightingBox[static_cast<std::size_t>(i)].contains(p)) {
            ToggleLightingList(i);
            return true;
        }
    }
    for (std::size_t level = 1; level <= 4; ++level) {
        for (std::size_t step = 1; step <= 12; ++step) {
            if (!DpiCell(level, step).contains(p)) continue;
            if (step <= dpiSteps_ && performance::SetDpiStep(image, panelSensor_, level, step)) {
                // The chosen step shows even on a level that is off: the click was seen.
                skin::DrawSession s(*canvas_, Drawing(), normalFont_);
                DrawDpiColumn(s, level, /*litWhenOff=*/true);
            }
            return true;
        }
    }
    return false;
}

bool CHidMouseDlg::PressAdvanced(const QPoint& p) {
    if (macroPanel_ != nullptr) {
        macroPanel_->BeforePress(p);
        macros::ui::MacroPanel& panel = *macroPanel_;
        const std::pair<QRect, std::function<void()>> macroRegions[] = {
            {kStartRecord, [&] { panel.recorder().StartRecording(); }},
            {kStopRecord, [&] { panel.recorder().StopRecording(); }},
            {kNewRect, [&] { panel.CreateMacro(); }},
            {kDeleteRect, [&] { panel.DeleteMacro(); }},
            {kConfirmRect, [&] { panel.ConfirmMacro(); }}};
        for (const auto& [r, action] : macroRegions) {
            if (r.contains(p)) {
                action();
                return true;
            }
        }
        if (panel.PressMouseEventBox(p)) return true;
    }
    if (pointerControls_->Press(p, ctx_.pointerSettings())) return true;
    // The macro editor's regions take the press even without its panel, so
    // that it does not move the window.
    for (const QRect& r : {kStartRecord, kStopRecord, kNewRect, kDeleteRect, kConfirmRect}) {
        if (r.contains(p)) return true;
    }
    return false;
}

void CHidMouseDlg::ShowMode(std::uint8_t mode) {
    ctx_.settings.image.shownMode() = mode;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawModeButtons(s);
    for (int k = 0; k < 6; ++k) DrawBox(s, k, hover_.count(static_cast<Element>(kBox0 + k)) != 0);
}

void CHidMouseDlg::Apply(bool hideAfter) {
    // Without the mouse, OK and Apply do nothing at all.
    if (!connection_->present()) return;
    const settings::HomeLock lock = ctx_.LockHome();
    const settings::ApplyResult result =
        settings::ApplySettings({ctx_.link().transport(), ctx_.link().state(), ctx_.settings,
                                 ctx_.paths, ctx_.text, ctx_.messages(), ctx_.log()});
    ctx_.settings.TakeBackup();
    if (!result.ok()) {
        // The settings are saved; say so, and that the mouse did not get them all.
        std::string text = ctx_.traceError();
        if (text.empty()) text = settings::ApplyFailureText(result, ctx_.link().Vanished());
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        ctx_.messages().ShowMessage(
            text + (result.saved ? ".\nThe settings were saved and go to the mouse with the next Apply."
                                 : "."),
            "Warning");
    }
    // The desktop's pointer options follow the mouse's settings.
    pointerControls_->Apply(ctx_.pointerSettings());
    if (hideAfter) PutAway();
}

void CHidMouseDlg::Cancel() {
    ctx_.settings.RestoreBackup();
    ctx_.rebuildOnRestore = true;
    PutAway();
}

void CHidMouseDlg::RunSkinsDialog() {
    skin::CSkinsDialog dialog(skin::PopupContext{Drawing(), ctx_.text.language, ctx_.messages()}, this);
    dialog.pickColour = [this](const QColor& initial) { return pickColour(initial); };
    if (dialog.Initialise()) {
        // Over the middle of the window rather than at the screen's corner.
        dialog.move(geometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
    if (dialog.exec() != QDialog::Accepted) return;
    const QColor colour = dialog.ChosenColour();
    ctx_.text.red = static_cast<std::uint8_t>(colour.red());
    ctx_.text.green = static_cast<std::uint8_t>(colour.green());
    ctx_.text.blue = static_cast<std::uint8_t>(colour.blue());
    ctx_.text.skinName = dialog.ChosenSkinName();
    const settings::HomeLock lock = ctx_.LockHome();
    const auto written = i18n::SaveSkinChoice(ctx_.paths.text, ctx_.text.red, ctx_.text.green, ctx_.text.blue,
                                              ctx_.text.skinName);
    if (!written.ok) ctx_.log().Write("cannot save the skin choice: " + written.error);
    RefreshDrawing();
    RebuildCurrentPage();
    show();
    raise();
    activateWindow();
}

void CHidMouseDlg::keyPressEvent(QKeyEvent* event) {
    // While a macro is being recorded, keys are the recording, not commands.
    if (macroPanel_ != nullptr && macroPanel_->recorder().Recording()) return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        PutAway();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CHidMouseDlg::closeEvent(QCloseEvent* event) {
    // Closing (Alt+F4) only puts the window away; the close button and the
    // tray's Exit end the program.
    if (!exiting_) {
        event->ignore();
        PutAway();
        return;
    }
    QWidget::closeEvent(event);
}

// ---- Lighting lists ---------------------------------------------------------

void CHidMouseDlg::hideEvent(QHideEvent* event) {
    // However the window goes (OK, Cancel, Enter, Escape, minimise, the tray),
    // an open drop-down must not wait for it to come back.
    if (buttonMenus_) buttonMenus_->CloseAll();
    CloseLightingLists();
    QWidget::hideEvent(event);
}

void CHidMouseDlg::CloseLightingLists() {
    for (auto& list : lightingLists_) {
        if (list) list->deleteLater();
        list = nullptr;
    }
}

void CHidMouseDlg::ToggleLightingList(int which) {
    auto& slot = lightingLists_[static_cast<std::size_t>(which)];
    if (slot) {
        slot->deleteLater();
        slot = nullptr;
        return;
    }
    const auto& image = ctx_.settings.image;
    const i18n::Language lang = ctx_.text.language;
    QStringList entries;
    QRect area;
    if (which == 0) {
        for (const auto& m : performance::LightingModeChoices()) entries << Q(i18n::LightingModeName(lang, m.value));
        area = RectFromEdges(700, 336, 866, 396);
    } else if (which == 1) {
        const auto names = performance::LightingParameterNames(image.lightingMode());
        for (auto n : names) entries << Q(n);
        const int height = image.lightingMode() == 1 ? 170 : image.lightingMode() == 2 ? 90 : 200;
        area = RectFromEdges(700, 376, 866, 376 + height);
    } else {
        const auto choices = performance::ColourEffectChoices(image.lightingMode());
        if (image.lightingMode() == 1) {
            // Standard has one effect: choosing the field sets it, no list opens.
            ctx_.settings.image.standardColourEffect() = 1;
            skin::DrawSession s(*canvas_, Drawing(), normalFont_);
            DrawLightingFields(s);
            return;
        }
        for (const auto& e : choices) entries << Q(i18n::LightingEffectName(lang, e.value));
        area = RectFromEdges(700, 416, 866, 456);
    }
    if (entries.isEmpty()) return;
    auto* list = new QListWidget(this);
    list->setGeometry(area);
    list->addItems(entries);
    list->setMouseTracking(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    skin::StyleDropDown(*list, skin::DropDownLook::Of(Drawing()), normalFont_);
    connect(list, &QListWidget::itemClicked, this,
            [this, which, list](QListWidgetItem* item) { LightingChosen(which, list->row(item)); });
    connect(list, &QListWidget::entered, this, [list](const QModelIndex& index) { list->setCurrentIndex(index); });
    list->show();
    slot = list;
}

void CHidMouseDlg::LightingChosen(int which, int row) {
    auto& image = ctx_.settings.image;
    if (row >= 0) {
        const auto entry = static_cast<std::size_t>(row);
        if (which == 0) {
            performance::SelectLightingMode(image, entry);
        } else if (which == 1) {
            performance::SelectLightingParameter(image, entry);
        } else {
            performance::SelectColourEffect(image, entry);
        }
    }
    auto& slot = lightingLists_[static_cast<std::size_t>(which)];
    if (slot) slot->deleteLater();
    slot = nullptr;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawLightingFields(s);
}

}  // namespace ornyx::app
