#include "app/MainWindow.h"

#include "app/Platform.h"
#include "app/ProfileNameDialog.h"
#include "common/Utf8.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <cctype>

#include "keys/ui/ButtonMenu.h"
#include "macros/ui/MacroPanel.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"
#include "performance/ui/PointerControls.h"
#include "profile/PrivateProfile.h"
#include "session/Apply.h"
#include "skin/ControlColours.h"
#include "skin/SkinImage.h"
#include "skin/SkinsDialog.h"

namespace ornyx::app {

using i18n::TextId;
using skin::TextFormat;

namespace {

namespace lw = layout::window;
using lw::Target;
using skin::ToQRect;

constexpr const char* kTrayToolTip = "Gaming Mouse Setting";
constexpr QColor kPlainPageColour(24, 28, 32);
constexpr QColor kPlainLightPageColour(226, 230, 234);

// The window counts report-rate positions, DPI levels and steps from 1, as
// the settings image does; the layout counts from 0.
int Index(std::size_t oneBased) {
    return static_cast<int>(oneBased) - 1;
}
QRect ReportRateCell(std::size_t n) {
    return ToQRect(lw::ReportRateCell(Index(n)));
}
QRect DpiCell(std::size_t level, std::size_t step) {
    return ToQRect(lw::DpiCell(Index(level), Index(step)));
}
QRect DpiSwatch(std::size_t level) {
    return ToQRect(lw::DpiSwatch(Index(level)));
}
QRect DpiTick(std::size_t level) {
    return ToQRect(lw::DpiTick(Index(level)));
}

QString Q(std::string_view s) {
    return skin::FromUtf8(s);
}

// A menu entry shows a profile's name as it is: "&" is not a shortcut mark,
// and a long name is cut in the middle rather than widening the menu.
QString MenuEntry(const QMenu& menu, const QString& name) {
    constexpr int kWidestName = 320;
    QString shown = menu.fontMetrics().elidedText(name, Qt::ElideMiddle, kWidestName);
    return shown.replace('&', "&&");
}

// The kind of a notification the mouse sends, as the session bus names it.
QString EventKind(int code) {
    switch (code) {
        case 5:
            return "report-rate";
        case 7:
            return "dpi-level";
        case 8:
            return "mode";
        case 9:
            return "macro";
        default:
            return "event-" + QString::number(code);
    }
}

// The caption a captioned button draws over its image.
std::optional<TextId> CaptionOf(Target target) {
    switch (target) {
        case Target::Ok:
            return TextId::Ok;
        case Target::Apply:
            return TextId::Apply;
        case Target::Cancel:
            return TextId::Cancel;
        case Target::KeyDefault:
            return TextId::KeyRestoreDefault;
        case Target::PointerDefault:
            return TextId::PointerDefault;
        case Target::NewMacro:
            return TextId::New;
        case Target::DeleteMacro:
            return TextId::Delete;
        case Target::ConfirmMacro:
            return TextId::Confirm;
        default:
            return std::nullopt;
    }
}

}  // namespace

CHidMouseDlg::CHidMouseDlg(AppContext& context, bool trayAvailable, QWidget* parent)
    // A tool window has no taskbar entry: only right where the tray reaches it.
    : QWidget(parent,
              Qt::Window | Qt::FramelessWindowHint | (trayAvailable ? Qt::Tool : Qt::Widget)),
      ctx_(context),
      trayAvailable_(trayAvailable),
      canvas_(new skin::SkinCanvas(this)),
      notifier_(new DesktopNotifier(this)),
      handOver_([this](HandOver::Task task) {
          QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
      }) {
    setWindowTitle(QString::fromUtf8(kProgramName));
    skin::InstallDrawnControlAccessibility();
    setMouseTracking(true);
    canvas_->setMouseTracking(true);
    normalFont_ = skin::NormalFont(ctx_.text.language);
    titleFont_ = skin::TitleFont(ctx_.text.language);
    setFont(normalFont_);
    RefreshDrawing();
    pointerControls_ = std::make_unique<performance::ui::PointerControls>(
        ctx_.settings.image, ctx_.text, ctx_.Messages(), *canvas_, drawing_, normalFont_);
    pickColour = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    openLink = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
    buttonMenus_ = std::make_unique<keys::ui::ButtonMenus>(
        keys::ui::ButtonMenuHost{*this, ctx_.settings.image, ctx_.text, drawing_, ctx_.Messages(),
                                 ctx_.paths.record, normalFont_, [this](int k) {
                                     if (page_ != kBasicPage) return;
                                     skin::DrawSession s(*canvas_, Drawing(), normalFont_);
                                     DrawBox(s, k, hover_ == lw::Find(Target::ButtonBox, k));
                                 }});

    askQuestion = [this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kProgramName), text,
                        QMessageBox::Yes | QMessageBox::No, isVisible() ? this : nullptr);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    askProfileName = [this]() -> std::optional<QString> {
        CProfileNameDialog dialog(
            skin::PopupContext{Drawing(), ctx_.text.language, ctx_.Messages()},
            isVisible() ? this : nullptr);
        if (dialog.Initialise() && isVisible())
            dialog.move(geometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Name();
    };
    profiles_ = new ProfileService(
        ctx_,
        ProfileService::Hooks{
            .mousePresent = [this] { return connection_->present(); },
            .unappliedChanges = [this] { return ctx_.settings.image != ctx_.settings.backup; },
            .confirmDrop =
                [this](const QString& name) {
                    return askQuestion(
                        Q(i18n::Text(ctx_.text.language, i18n::ProfileTextId::DropChanges))
                            .arg(name));
                },
            .switched = [this](bool applied) { ShowNewSettings(applied); }},
        this);
    connect(profiles_, &ProfileService::switched, this, [this](const QString& name, bool applied) {
        const i18n::Language language = ctx_.text.language;
        QString text = Q(i18n::Text(language, i18n::ProfileTextId::SwitchedText)).arg(name);
        if (!applied && !connection_->present()) text += "\n" + Q(i18n::NoMouseLine(language));
        ShowNotification(Q(i18n::Text(language, i18n::ProfileTextId::SwitchedTitle)), text, 3000);
    });
    switcher_ = new AutoSwitcher(
        AutoSwitcher::Target{
            .state = [this] { return profiles_->Refresh(); },
            .use = [this](const QString& name) { return profiles_->Use(name, /*ask=*/false); },
            .working = [this] { return profiles_->Working(); },
            .holdsChanges =
                [this] {
                    return ctx_.settings.image != ctx_.settings.backup ||
                           profiles_->Refresh().modified;
                },
            .readRules = [this] { return profiles::ReadAppRules(ctx_.paths.home); },
            .writeAutomatic =
                [this](bool on, std::string& error) {
                    settings::HomeLock lock;
                    if (!ctx_.Session().LockHome(lock, settings::HomeLock::Mode::Exclusive, error))
                        return false;
                    // Read under the lock: rules written beside us stay.
                    profiles::AppRules rules = profiles::ReadAppRules(ctx_.paths.home);
                    rules.automatic = on;
                    return profiles::WriteAppRules(ctx_.paths.home, rules, error);
                },
            .log = [this](const std::string& line) { ctx_.Log().Write("profile: " + line); },
        },
        this);
    connect(profiles_, &ProfileService::filesChanged, switcher_,
            &AutoSwitcher::RulesMayHaveChanged);
    // Saved, or switched by hand: a held-up switch may go now.
    connect(profiles_, &ProfileService::stateChanged, switcher_, &AutoSwitcher::Recheck);
    connect(switcher_, &AutoSwitcher::waitingChanged, this, [this] {
        ShowAutoSwitchState();
        ShowTrayToolTip();
    });
    connect(switcher_, &AutoSwitcher::automaticChanged, this, &CHidMouseDlg::ShowAutoSwitchState);

    trayMenu_ = new QMenu(this);
    profilesMenu_ =
        trayMenu_->addMenu(Q(i18n::Text(ctx_.text.language, i18n::ProfileTextId::ProfilesMenu)));
    connect(profilesMenu_, &QMenu::aboutToShow, this, &CHidMouseDlg::FillProfilesMenu);
    autoSwitchAction_ =
        trayMenu_->addAction(Q(i18n::Text(ctx_.text.language, i18n::ProfileTextId::AutoSwitch)));
    autoSwitchAction_->setCheckable(true);
    connect(autoSwitchAction_, &QAction::triggered, this, [this](bool on) {
        QString error;
        if (!switcher_->SetAutomatic(on, error)) {
            ShowAutoSwitchState();  // the item shows what the file still says
            ctx_.Messages().ShowMessage(error.toStdString(), "Warning");
        }
    });
    waitingAction_ = trayMenu_->addAction(QString());
    waitingAction_->setEnabled(false);
    connect(trayMenu_, &QMenu::aboutToShow, this, [this] {
        switcher_->RulesMayHaveChanged();
        ShowAutoSwitchState();
    });
    ShowAutoSwitchState();
    trayMenu_->addSeparator();
    trayMenu_->addAction(T(TextId::Exit), this, &CHidMouseDlg::Exit);

    // Events come on the reader thread and are handed over synchronously, so
    // at most one is in flight and none is lost.
    connection_ = std::make_unique<session::MouseConnection>(
        ctx_.Link(), ctx_.Messages(), [this](const device::DeviceEvent& event) {
            handOver_.Run([this, event] { OnDeviceEvent(event); });
        });
    arrivalSettle_ = new QTimer(this);
    arrivalSettle_->setSingleShot(true);
    arrivalSettle_->setInterval(session::kArrivalSettle);
    connect(arrivalSettle_, &QTimer::timeout, this,
            [this] { OnConnectionOutcome(connection_->Settle()); });
}

CHidMouseDlg::~CHidMouseDlg() {
    if (connection_) StopReader();
}

void CHidMouseDlg::StopReader() {
    // Releasing a hand-over in progress first lets the reader see the stop at
    // once, so the join below never waits on this thread (not even when an
    // event being shown is what led here).
    handOver_.Cancel();
    connection_->StopReader();
}

QString CHidMouseDlg::T(TextId id) const {
    return Q(i18n::Text(ctx_.text.language, id));
}

void CHidMouseDlg::RefreshDrawing() {
    const auto reported = drawing_.reportedMissing;
    drawing_ = skin::DrawingSettings::From(ctx_.paths, ctx_.text);
    drawing_.reportedMissing = reported;  // named once per run, whatever the skin
}

bool CHidMouseDlg::LoadPageBackground(const char* file) {
    const QString wanted = ctx_.SkinFile(file);
    if (canvas_->LoadPage(wanted)) return true;
    // Without its page the window would be 0 x 0: running, but nowhere to be seen.
    if (drawing_.reportedMissing->insert(wanted).second) {
        ctx_.Log().Write("missing skin file: " + wanted.toStdString());
        ctx_.Messages().ShowMessage(skin::MissingFileText(wanted).toStdString());
    }
    // Another skin that has the page stands in for this run, whole, so that
    // its pieces match; str.ini keeps the choice for when the file is back.
    QStringList others = QDir(QString::fromStdString(utf8::FromPath(ctx_.paths.skins)))
                             .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : others) {
        if (name.toStdString() == ctx_.text.skinName) continue;
        const QString candidate =
            QString::fromStdString(utf8::FromPath(ctx_.paths.skins)) + "/" + name + file;
        if (!QFileInfo(candidate).isFile()) continue;
        ctx_.text.skinName = name.toStdString();
        RefreshDrawing();
        if (canvas_->LoadPage(candidate)) {
            ctx_.Log().Write("drawing with the skin " + name.toStdString() + " instead");
            return true;
        }
    }
    // No skin has it: a plain page of the usual size, on which whatever
    // elements exist still draw.
    // Light or dark, whichever the text colour reads on.
    const bool darkText = Drawing().TextColour().lightness() < 128;
    canvas_->UsePlainPage(QSize(lw::kSize.width, lw::kSize.height),
                          darkText ? kPlainLightPageColour : kPlainPageColour);
    return true;
}

void CHidMouseDlg::Start() {
    ctx_.ShowStartupMessages();
    if (trayAvailable_) {
        tray_ = new QSystemTrayIcon(this);
        tray_->setIcon(ApplicationIcon());
        tray_->setToolTip(kTrayToolTip);
        connect(
            tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    TrayClicked();
                }
            });
        tray_->setContextMenu(trayMenu_);
        tray_->show();
    }

    if (!connection_->Open()) ShowMouseMissing();
    ShowMouseState();
    profiles_->Refresh();
    if (ctx_.Monitor() != nullptr && ctx_.Monitor()->Fd() >= 0) {
        monitorNotifier_ =
            WatchWaitHandle(ctx_.Monitor()->Fd(), this, [this] { OnDeviceChange(); });
    }

    // The window takes the Basic page's size. When that page is built right
    // away its build loads the background; loading it here as well would
    // decode the largest file twice on the way to a shown window.
    const bool showNow = (!trayAvailable_ && !ctx_.Options().hidden) || ctx_.Options().show;
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
    ctx_.Log().Write(isVisible() ? "activated: the window is shown"
                                 : "activated: the window stays hidden");
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
    StopReader();
    connection_->link().connection().Close();
    if (tray_ != nullptr) tray_->hide();
    hide();
    emit exitRequested();
}

void CHidMouseDlg::ShowNotification(const QString& title, const QString& text, int timeoutMs) {
    shown_.push_back({title, text, timeoutMs});
    ctx_.Log().Write("notification: " + title.toStdString() + ": " + text.toStdString());
    // The desktop's notification service keeps a note up for as long as the
    // desktop thinks right; the short balloon times would not let it be read.
    if (notifier_->Send(title, text, [this, title, text] { ShowFallbackNote(title, text); }))
        return;
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
    const auto n = session::NotificationForEvent(i18n::kMouseNotDetectedEvent, 0,
                                                 ctx_.text.language, ctx_.settings.image, 0);
    if (n) ShowNotification(Q(n->title), Q(n->text), n->timeoutMs);
}

void CHidMouseDlg::OnDeviceEvent(const device::DeviceEvent& event) {
    const auto n =
        session::NotificationForEvent(event.code, event.parameter, ctx_.text.language,
                                      ctx_.settings.image, ctx_.Link().state().sensorTypeInUse);
    if (!n) return;
    ShowNotification(Q(n->title), Q(n->text), n->timeoutMs);
    emit mouseEvent(EventKind(event.code), event.parameter, Q(n->text));
}

void CHidMouseDlg::OnDeviceChange() {
    while (auto change = ctx_.Monitor()->Receive())
        OnConnectionOutcome(connection_->HandleDeviceChange(*change));
}

void CHidMouseDlg::OnConnectionOutcome(session::ChangeOutcome outcome) {
    switch (outcome) {
        case session::ChangeOutcome::Lost:
            arrivalSettle_->stop();
            ShowMouseMissing();
            ShowMouseState();
            PutAway();
            break;
        case session::ChangeOutcome::Arrived:
            arrivalSettle_->stop();
            ShowMouseState();
            break;
        case session::ChangeOutcome::Settling:
            arrivalSettle_->start();  // restarts: each further node gets its time
            break;
        default:
            break;
    }
}

// ---- Drawing --------------------------------------------------------------

void CHidMouseDlg::DrawElement(skin::DrawSession& s, const Hit& e, bool over) {
    if (e.target == Target::ButtonBox) {
        DrawBox(s, e.index, over);
        return;
    }
    if (e.hover == nullptr) return;
    s.Element(over ? e.hover->active : e.hover->rest, e.rect.left, e.rect.top);
    if (const std::optional<TextId> caption = CaptionOf(e.target))
        s.Text(T(*caption), ToQRect(e.rect), TextFormat::CentredSingleLine);
}

void CHidMouseDlg::DrawCommon(skin::DrawSession& s) {
    for (Target t : {Target::BasicPage, Target::AdvancedPage, Target::Skins, Target::Minimise,
                     Target::Close, Target::Ok, Target::Apply, Target::Cancel}) {
        DrawElement(s, lw::Find(t), false);
    }
    const bool basic = page_ == kBasicPage;
    s.Painter().setFont(titleFont_);
    skin::DrawSkinText(s.Painter(), T(basic ? TextId::BasicSettings : TextId::AdvancedSettings),
                       ToQRect(lw::kTitle), TextFormat::LeftSingleLine, titleFont_,
                       Drawing().TextColour());
    s.Text(T(TextId::LinkText), ToQRect(lw::kLink), TextFormat::CentredSingleLine);
    if (!connection_->present())
        s.Text(Q(i18n::NoMouseLine(ctx_.text.language)), ToQRect(lw::kMouseStateLine),
               TextFormat::LeftSingleLine);
}

void CHidMouseDlg::ShowTrayToolTip() {
    if (tray_ == nullptr) return;
    QString tip = kTrayToolTip;
    if (!connection_->present()) tip += "\n" + Q(i18n::NoMouseLine(ctx_.text.language));
    if (!switcher_->Waiting().isEmpty()) tip += "\n" + WaitingText().replace("&&", "&");
    tray_->setToolTip(tip);
}

QString CHidMouseDlg::WaitingText() const {
    const QString waiting = switcher_->Waiting();
    if (waiting.isEmpty()) return {};
    // Cut shorter than in the Profiles submenu: the sentence around it shares
    // the menu's width.
    constexpr int kWidestName = 128;
    QString name = trayMenu_->fontMetrics().elidedText(waiting, Qt::ElideMiddle, kWidestName);
    // One pass: a profile's name may hold "%1" itself.
    return Q(i18n::Text(ctx_.text.language, i18n::ProfileTextId::AutoSwitchWaiting))
        .arg(name.replace('&', "&&"));
}

void CHidMouseDlg::ShowAutoSwitchState() {
    autoSwitchAction_->setChecked(switcher_->Automatic());
    waitingAction_->setText(WaitingText());
    waitingAction_->setVisible(!switcher_->Waiting().isEmpty());
}

void CHidMouseDlg::ShowMouseState() {
    const bool present = connection_->present();
    emit connectionChanged(present);
    ShowTrayToolTip();
    if (page_ == kNoPage) return;
    // Only the band is redrawn: its piece of the page background, then the line.
    canvas_->RestoreBackground(
        ctx_.SkinFile(page_ == kBasicPage ? "/BasicSet2.png" : "/AdvancedSet2.png"),
        ToQRect(lw::kMouseStateLine));
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    if (!present)
        s.Text(Q(i18n::NoMouseLine(ctx_.text.language)), ToQRect(lw::kMouseStateLine),
               TextFormat::LeftSingleLine);
}

void CHidMouseDlg::DrawBox(skin::DrawSession& s, int k, bool over) {
    const QRect r = ToQRect(lw::ButtonBox(k));
    const layout::ElementImages& box = layout::Images(layout::Element::DropdownBox);
    s.Element(over ? box.active : box.rest, r.left(), r.top());
    const auto mode = ctx_.settings.image.shownMode() == 1 ? settings::Mode::B : settings::Mode::A;
    const QString label = Q(ctx_.text.labels[i18n::LabelIndex(mode, static_cast<std::size_t>(k))]);
    s.Text(QString::number(k + 1), QRect(r.left(), r.top(), 20, r.height()),
           TextFormat::CentredSingleLine);
    s.Text(label, QRect(r.left() + 20, r.top(), r.width() - 20, r.height()),
           TextFormat::LeftSingleLine);
}

void CHidMouseDlg::DrawModeButtons(skin::DrawSession& s) {
    const bool b = ctx_.settings.image.shownMode() == 1;
    // The shown mode's button is drawn lit.
    const layout::ElementImages& button = layout::Images(layout::Element::TextButton);
    s.Element(b ? button.rest : button.active, lw::kModeAButton.left, lw::kModeAButton.top);
    s.Text(Q(i18n::kModeA), ToQRect(lw::kModeAButton), TextFormat::CentredSingleLine);
    s.Element(b ? button.active : button.rest, lw::kModeBButton.left, lw::kModeBButton.top);
    s.Text(Q(i18n::kModeB), ToQRect(lw::kModeBButton), TextFormat::CentredSingleLine);
}

void CHidMouseDlg::DrawReportRateCell(skin::DrawSession& s, std::size_t position, bool lit) {
    const QRect r = ReportRateCell(position);
    const layout::ElementImages& cell = layout::Images(layout::Element::ReportRateCell);
    s.Element(lit ? cell.active : cell.rest, r.left(), r.top());
}

void CHidMouseDlg::DrawDpiColumn(skin::DrawSession& s, std::size_t level, bool litWhenOff) {
    const auto& image = ctx_.settings.image;
    const bool on = litWhenOff || image.dpiEnabled(level) != 0;
    // A step index beyond this sensor's list shows as its last step.
    const std::size_t lit =
        on ? performance::EffectiveDpiStep(panelSensor_, image.dpiStep(level)) + 1 : 0;
    const layout::ElementImages& cell = layout::Images(layout::Element::DpiCell);
    for (std::size_t step = 1; step <= dpiSteps_; ++step) {
        const QRect r = DpiCell(level, step);
        s.Element(step <= lit ? cell.active : cell.rest, r.left(), r.top());
    }
}

void CHidMouseDlg::DrawDpiTick(skin::DrawSession& s, std::size_t level) {
    const QRect r = DpiTick(level);
    const layout::ElementImages& tick = layout::Images(layout::Element::CheckBox);
    s.Element(ctx_.settings.image.dpiEnabled(level) != 0 ? tick.active : tick.rest, r.left(),
              r.top());
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
        const QRect box = ToQRect(lw::LightingBox(i));
        p.fillRect(box, Qt::black);
        s.Text(texts[i], ToQRect(lw::LightingText(i)).adjusted(3, 0, 0, 0),
               TextFormat::LeftSingleLine, ink);
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
    DrawElement(s, lw::Find(Target::KeyDefault), false);
    for (int k = 0; k < 6; ++k) DrawBox(s, k, false);

    const std::size_t litRate = performance::ReportRatePosition(image.reportRate());
    for (std::size_t n = 1; n <= 4; ++n) {
        DrawReportRateCell(s, n, n == litRate);
        s.Text(Q(i18n::kReportRateCaptions[n - 1]), ToQRect(lw::ReportRateValue(Index(n))),
               TextFormat::CentredTop);
    }
    // Section captions run to their panel's edge, so that longer translations show whole.
    s.Text(T(TextId::KeySetting), ToQRect(lw::kKeySettingCaption), TextFormat::LeftSingleLine);
    s.Text(T(TextId::ReportRateSetting), ToQRect(lw::kReportRateCaption),
           TextFormat::LeftSingleLine);
    s.Text(T(TextId::DpiSetting), ToQRect(lw::kDpiCaption), TextFormat::LeftSingleLine);
    s.Text(T(TextId::DpiEffect), ToQRect(lw::kDpiEffectCaption), TextFormat::LeftSingleLine);
    DrawModeButtons(s);

    // DPI panel: the step labels of the sensor's list beside the first column.
    for (std::size_t step = 1; step <= dpiSteps_; ++step) {
        s.Text(Q(performance::DpiLabel(panelSensor_ > 3 ? 0 : panelSensor_,
                                       static_cast<std::uint8_t>(step - 1))),
               ToQRect(lw::DpiStepLabel(Index(step), dpiSteps_ == 12)),
               TextFormat::RightSingleLine);
    }
    for (std::size_t level = 1; level <= 4; ++level) {
        DrawDpiColumn(s, level);
        DrawDpiSwatch(s, level);
        DrawDpiTick(s, level);
    }
    s.Text(Q(i18n::kColourCaption), ToQRect(lw::kDpiColourCaption), TextFormat::RightSingleLine);
    s.Text(Q(i18n::kSelectCaption), ToQRect(lw::kDpiSelectCaption), TextFormat::RightSingleLine);

    s.Text(T(TextId::Mode), ToQRect(lw::LightingCaption(0)), TextFormat::LeftSingleLine);
    s.Text(T(TextId::Parameter), ToQRect(lw::LightingCaption(1)), TextFormat::LeftSingleLine);
    s.Text(T(TextId::Effect), ToQRect(lw::LightingCaption(2)), TextFormat::LeftSingleLine);
    DrawLightingFields(s);
}

void CHidMouseDlg::DrawAdvanced(skin::DrawSession& s) {
    DrawCommon(s);
    for (Target t :
         {Target::PointerDefault, Target::NewMacro, Target::DeleteMacro, Target::ConfirmMacro})
        DrawElement(s, lw::Find(t), false);
    s.Text(T(TextId::MacroSetting), ToQRect(lw::kMacroSettingCaption), TextFormat::LeftSingleLine);
    s.Text(T(TextId::SelectMacro), ToQRect(lw::kSelectMacroHead), TextFormat::CentredSingleLine);
    s.Text(T(TextId::KeyPressSequence), ToQRect(lw::kSequenceHead), TextFormat::CentredSingleLine);
    s.Text(T(TextId::RecordOption), ToQRect(lw::kRecordOptionHead), TextFormat::CentredSingleLine);
    pointerControls_->Draw(s);

    // Record buttons: a red dot to start, a square to stop.
    QPainter& p = s.Painter();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 50, 50));
    p.drawEllipse(QRectF(ToQRect(lw::kStartRecordButton)).adjusted(6, 6, -6, -6));
    p.setBrush(Drawing().TextColour());
    p.drawRect(QRectF(ToQRect(lw::kStopRecordButton)).adjusted(8, 8, -8, -8));
    p.restore();
    s.Text(T(TextId::StartRecording), ToQRect(lw::kStartRecordCaption), TextFormat::WordWrap);
    s.Text(T(TextId::StopRecording), ToQRect(lw::kStopRecordCaption), TextFormat::WordWrap);
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
    add(ToQRect(lw::kBasicPageButton), R::PageTab, T(TextId::BasicSettings), {},
        page_ == kBasicPage);
    add(ToQRect(lw::kAdvancedPageButton), R::PageTab, T(TextId::AdvancedSettings), {},
        page_ == kAdvancedPage);
    add(ToQRect(lw::kSkinsButton), R::Button, QStringLiteral("Skins"));
    add(ToQRect(lw::kMinimiseButton), R::Button, QStringLiteral("Minimise"));
    add(ToQRect(lw::kCloseButton), R::Button, T(TextId::Exit));
    add(ToQRect(lw::kOkButton), R::Button, T(TextId::Ok));
    add(ToQRect(lw::kApplyButton), R::Button, T(TextId::Apply));
    add(ToQRect(lw::kCancelButton), R::Button, T(TextId::Cancel));
    add(ToQRect(lw::kLink), R::Link, T(TextId::LinkText));
    const auto& image = ctx_.settings.image;
    if (page_ == kBasicPage) {
        const auto mode = image.shownMode() == 1 ? settings::Mode::B : settings::Mode::A;
        for (int k = 0; k < 6; ++k) {
            add(ToQRect(lw::ButtonBox(k)), R::ComboBox,
                T(TextId::KeySetting) + QStringLiteral(" %1").arg(k + 1),
                Q(ctx_.text.labels[i18n::LabelIndex(mode, static_cast<std::size_t>(k))]));
        }
        add(ToQRect(lw::kModeAButton), R::RadioButton, Q(i18n::kModeA), {},
            mode == settings::Mode::A);
        add(ToQRect(lw::kModeBButton), R::RadioButton, Q(i18n::kModeB), {},
            mode == settings::Mode::B);
        add(ToQRect(lw::kKeyDefaultButton), R::Button, T(TextId::KeyRestoreDefault));
        const std::size_t litRate = performance::ReportRatePosition(image.reportRate());
        for (std::size_t n = 1; n <= 4; ++n) {
            add(ReportRateCell(n), R::RadioButton,
                T(TextId::ReportRateSetting) + u' ' + Q(i18n::kReportRateCaptions[n - 1]), {},
                n == litRate);
        }
        for (std::size_t level = 1; level <= 4; ++level) {
            const QString name = T(TextId::DpiSetting) + QStringLiteral(" %1").arg(level);
            const QRect column = DpiCell(level, dpiSteps_).united(DpiCell(level, 1));
            add(column, R::Slider, name,
                Q(performance::DpiLabel(panelSensor_ > 3 ? 0 : panelSensor_,
                                        static_cast<std::uint8_t>(performance::EffectiveDpiStep(
                                            panelSensor_, image.dpiStep(level))))));
            add(DpiSwatch(level), R::Button, name + u' ' + Q(i18n::kColourCaption));
            add(DpiTick(level), R::CheckBox, name + u' ' + Q(i18n::kSelectCaption), {},
                image.dpiEnabled(level) != 0);
        }
        const TextId captions[3] = {TextId::Mode, TextId::Parameter, TextId::Effect};
        for (int i = 0; i < 3; ++i) add(ToQRect(lw::LightingBox(i)), R::ComboBox, T(captions[i]));
    } else {
        const TextId rows[3] = {TextId::MouseSpeed, TextId::ScrollingSpeed,
                                TextId::DoubleClickSpeed};
        for (int row = 0; row < 3; ++row) {
            add(performance::ui::PointerCell(row, 1).united(performance::ui::PointerCell(row, 11)),
                R::Slider, T(rows[row]));
        }
        add(performance::ui::kPrecisionTick, R::CheckBox, T(TextId::EnhancePointerPrecision));
        add(performance::ui::kOnePageTick, R::CheckBox, T(TextId::ScrollOneScreen));
        add(ToQRect(lw::kPointerDefaultButton), R::Button, T(TextId::PointerDefault));
        add(ToQRect(lw::kStartRecordButton), R::Button, T(TextId::StartRecording));
        add(ToQRect(lw::kStopRecordButton), R::Button, T(TextId::StopRecording));
        add(ToQRect(lw::kNewButton), R::Button, T(TextId::New));
        add(ToQRect(lw::kDeleteButton), R::Button, T(TextId::Delete));
        add(ToQRect(lw::kConfirmButton), R::Button, T(TextId::Confirm));
    }
    return out;
}

// ---- Pages ----------------------------------------------------------------

void CHidMouseDlg::FirstBasicBuild() {
    // Once per process: the sensor tells which DPI list the panel shows.
    ctx_.Session().Handshake();
    if (ctx_.settings.firstRunFlag == 0) {
        const settings::HomeLock lock = ctx_.LockHome();
        const auto written = i18n::ResetLabelsToDefaults(ctx_.paths.text, ctx_.text);
        if (!written.ok) ctx_.Log().Write("cannot write default labels: " + written.error);
    }
    ctx_.pagesBuilt = true;
}

void CHidMouseDlg::TearDown() {
    CloseLightingLists();
    if (buttonMenus_ != nullptr) buttonMenus_->CloseAll();
    if (macroPanel_ != nullptr) macroPanel_->HideControls();  // a recording ends silently
    hover_ = {};
}

void CHidMouseDlg::BuildBasicPage() {
    if (page_ == kBasicPage) return;
    if (!ctx_.pagesBuilt) FirstBasicBuild();
    TearDown();
    page_ = kBasicPage;
    panelSensor_ = ctx_.Link().state().sensorTypeInUse;
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
            *this, macros::ui::MacroPanelContext{ctx_.paths.record, ctx_.settings.image,
                                                 ctx_.Messages(), ctx_.text.language, drawing_,
                                                 normalFont_, [this] { return ctx_.LockHome(); }});
    } else {
        macroPanel_->ShowControls();
    }
    pointerControls_->PageShown(ctx_.PointerSettings());
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

CHidMouseDlg::Hit CHidMouseDlg::HitAt(const QPoint& p) const {
    const lw::On shown = page_ == kBasicPage      ? lw::On::BasicPage
                         : page_ == kAdvancedPage ? lw::On::AdvancedPage
                                                  : lw::On::BothPages;
    return lw::HitTest(shown, p.x(), p.y());
}

void CHidMouseDlg::ClearHover() {
    if (hover_.target == Target::None || page_ == kNoPage) {
        hover_ = {};
        return;
    }
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawElement(s, hover_, false);
    hover_ = {};
}

void CHidMouseDlg::SetHover(const Hit& e) {
    if (hover_ == e || page_ == kNoPage) return;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    // Only one element is drawn over at a time.
    if (hover_.target != Target::None) DrawElement(s, hover_, false);
    DrawElement(s, e, true);
    hover_ = e;
}

void CHidMouseDlg::mouseMoveEvent(QMouseEvent* event) {
    if (drag_.Move(*this, *event)) return;
    const Hit hit = HitAt(event->position().toPoint());
    if (hit.hover == nullptr) {
        ClearHover();
    } else {
        SetHover(hit);
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
    const Hit hit = HitAt(p);
    if (PressCommon(hit)) return;
    const bool consumed = page_ == kBasicPage      ? PressBasic(hit, p)
                          : page_ == kAdvancedPage ? PressAdvanced(hit, p)
                                                   : false;
    if (!consumed) drag_.Press(*this, *event);
}

bool CHidMouseDlg::PressCommon(const Hit& hit) {
    switch (hit.target) {
        case Target::Ok:
            Apply(true);
            return true;
        case Target::Apply:
            Apply(false);
            return true;
        case Target::Skins:
            RunSkinsDialog();
            return true;
        case Target::Minimise:
            PutAway();
            return true;
        case Target::Close:
            Exit();
            return true;
        case Target::BasicPage:
            BuildBasicPage();
            return true;
        case Target::AdvancedPage:
            BuildAdvancedPage();
            return true;
        case Target::Cancel:
            Cancel();
            return true;
        case Target::Link: {
            std::string url =
                profile::GetPrivateProfileString(ctx_.paths.text, "Skins", "Link", "", 1024);
            openLink(url.empty() ? Q(i18n::kWebSiteUrl) : QString::fromStdString(url));
            return true;
        }
        default:
            return false;
    }
}

bool CHidMouseDlg::PressBasic(const Hit& hit, const QPoint& p) {
    // An open list closes on any press outside itself and its box.
    for (std::size_t i = 0; i < lightingLists_.size(); ++i) {
        QListWidget* list = lightingLists_[i];
        if (list != nullptr && !list->geometry().contains(p) &&
            !ToQRect(lw::LightingBox(static_cast<int>(i))).contains(p)) {
            list->deleteLater();
            lightingLists_[i] = nullptr;
        }
    }
    buttonMenus_->PressOnPage(p);
    const auto level = static_cast<std::size_t>(hit.index) + 1;
    switch (hit.target) {
        case Target::ModeA:
            ShowMode(0);
            return true;
        case Target::ModeB:
            ShowMode(1);
            return true;
        case Target::KeyDefault:
            buttonMenus_->RestoreKeys();
            return true;
        case Target::ButtonBox:
            buttonMenus_->OpenButtonMenu(hit.index);
            return true;
        case Target::ReportRateCell:
            PressReportRate(static_cast<std::size_t>(hit.index) + 1);
            return true;
        case Target::DpiTick:
            PressDpiTick(level);
            return true;
        case Target::DpiSwatch:
            PressDpiSwatch(level);
            return true;
        case Target::LightingBox:
            ToggleLightingList(hit.index);
            return true;
        case Target::DpiCell:
            PressDpiCell(level, static_cast<std::size_t>(hit.step) + 1);
            return true;
        default:
            return false;
    }
}

void CHidMouseDlg::PressReportRate(std::size_t n) {
    const std::size_t before = performance::SelectReportRate(ctx_.settings.image, n);
    if (before == n) return;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawReportRateCell(s, before, false);
    DrawReportRateCell(s, n, true);
}

void CHidMouseDlg::PressDpiTick(std::size_t level) {
    if (!performance::ToggleDpiLevel(ctx_.settings.image, level)) return;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawDpiTick(s, level);
    DrawDpiColumn(s, level);
}

void CHidMouseDlg::PressDpiSwatch(std::size_t level) {
    auto& image = ctx_.settings.image;
    if (image.dpiEnabled(level) == 0) return;
    const auto rgb = image.dpiColour(level);
    if (const auto c = pickColour(QColor(rgb[0], rgb[1], rgb[2]))) {
        rgb[0] = static_cast<std::uint8_t>(c->red());
        rgb[1] = static_cast<std::uint8_t>(c->green());
        rgb[2] = static_cast<std::uint8_t>(c->blue());
        skin::DrawSession s(*canvas_, Drawing(), normalFont_);
        DrawDpiSwatch(s, level);
    }
}

void CHidMouseDlg::PressDpiCell(std::size_t level, std::size_t step) {
    if (step > dpiSteps_ ||
        !performance::SetDpiStep(ctx_.settings.image, panelSensor_, level, step))
        return;
    // The chosen step shows even on a level that is off: the click was seen.
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawDpiColumn(s, level, /*litWhenOff=*/true);
}

bool CHidMouseDlg::PressAdvanced(const Hit& hit, const QPoint& p) {
    macros::ui::MacroPanel* panel = macroPanel_.get();
    if (panel != nullptr) panel->BeforePress(p);
    // The macro editor's regions take the press even without its panel, so
    // that it does not move the window.
    switch (hit.target) {
        case Target::StartRecord:
            if (panel != nullptr) panel->Recorder().StartRecording();
            return true;
        case Target::StopRecord:
            if (panel != nullptr) panel->Recorder().StopRecording();
            return true;
        case Target::NewMacro:
            if (panel != nullptr) panel->CreateMacro();
            return true;
        case Target::DeleteMacro:
            if (panel != nullptr) panel->DeleteMacro();
            return true;
        case Target::ConfirmMacro:
            if (panel != nullptr) panel->ConfirmMacro();
            return true;
        case Target::MouseEventBox:
            if (panel == nullptr) return false;
            panel->ToggleMouseEventList();
            return true;
        case Target::PrecisionTick:
            pointerControls_->ToggleTick(/*precision=*/true);
            return true;
        case Target::OnePageTick:
            pointerControls_->ToggleTick(/*precision=*/false);
            return true;
        case Target::PointerDefault:
            pointerControls_->RestoreDefaults(ctx_.PointerSettings());
            return true;
        case Target::PointerCell:
            pointerControls_->PressCell(hit.index, hit.step);
            return true;
        default:
            return false;
    }
}

void CHidMouseDlg::ShowMode(std::uint8_t mode) {
    ctx_.settings.image.shownMode() = mode;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawModeButtons(s);
    for (int k = 0; k < lw::kBoxCount; ++k) DrawBox(s, k, hover_ == lw::Find(Target::ButtonBox, k));
}

void CHidMouseDlg::Apply(bool hideAfter) {
    // Without the mouse, OK and Apply do nothing at all.
    if (!connection_->present()) return;
    // The lock only for the sending and saving; what they have to say is shown
    // after it is released, as a message box waits for a person.
    RecordingMessageSink later;
    session::ApplyReport report;
    {
        const settings::HomeLock lock = ctx_.LockHome(&later);
        report = ctx_.Session().Apply({.fileMessages = &later});
    }
    later.ReplayTo(ctx_.Messages());
    const session::ApplyResult& result = report.result;
    if (report.refused) {
        ctx_.Messages().ShowMessage("Nothing was sent: " + utf8::FromPath(ctx_.paths.config) +
                                        " could not be loaded, so there are no settings to send.",
                                    "Warning");
    } else if (!result.ok()) {
        // The settings are saved; say so, and that the mouse did not get them all.
        std::string text = report.traceError;
        if (text.empty()) text = session::ApplyFailureText(result, report.vanished);
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        const char* saved = !result.saved            ? "."
                            : result.refusal.empty() ? ".\nThe settings were saved and go to the "
                                                       "mouse with the next Apply."
                                                     : ".\nThe settings were saved.";
        ctx_.Messages().ShowMessage(text + saved, "Warning");
    }
    // The desktop's pointer options follow the mouse's settings.
    pointerControls_->Apply(ctx_.PointerSettings());
    profiles_->Refresh();  // the active profile may show as modified now
    if (hideAfter) PutAway();
}

bool CHidMouseDlg::ApplyForCaller(QString& error) {
    if (!connection_->present()) {
        error = "no mouse is connected";
        return false;
    }
    RecordingMessageSink later;
    session::ApplyReport report;
    {
        const settings::HomeLock lock = ctx_.LockHome(&later);
        report = ctx_.Session().Apply({.fileMessages = &later});
    }
    for (const auto& m : later.messages) ctx_.Log().Write(m.text);
    if (report.refused) {
        error = QString::fromStdString(utf8::FromPath(ctx_.paths.config)) +
                " could not be loaded, so there are no settings to send";
        return false;
    }
    pointerControls_->Apply(ctx_.PointerSettings());
    profiles_->Refresh();
    if (!report.result.ok()) {
        error = QString::fromStdString(
            report.traceError.empty() ? session::ApplyFailureText(report.result, report.vanished)
                                      : report.traceError);
        return false;
    }
    if (!report.result.saved) {
        error = "the settings reached the mouse, but " +
                QString::fromStdString(utf8::FromPath(ctx_.paths.config)) + " was not saved";
        return false;
    }
    return true;
}

// ---- Profiles ---------------------------------------------------------------

void CHidMouseDlg::FillProfilesMenu() {
    const ProfileService::State& state = profiles_->Refresh();
    const i18n::Language language = ctx_.text.language;
    for (QActionGroup* old : profilesMenu_->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly))
        delete old;
    profilesMenu_->clear();
    if (state.names.isEmpty()) {
        profilesMenu_->addAction(Q(i18n::Text(language, i18n::ProfileTextId::NoProfiles)))
            ->setEnabled(false);
    }
    // One profile is active: the entries are a group of radio items.
    auto* group = new QActionGroup(profilesMenu_);
    for (const QString& name : state.names) {
        const bool active = ProfileService::SameProfile(name, state.active);
        QString text = MenuEntry(*profilesMenu_, name);
        if (active && state.modified)
            text += Q(i18n::Text(language, i18n::ProfileTextId::Modified));
        QAction* entry = profilesMenu_->addAction(text);
        entry->setCheckable(true);
        entry->setChecked(active);
        entry->setActionGroup(group);
        entry->setData(name);
        connect(entry, &QAction::triggered, this, [this, name] { ChooseProfile(name); });
    }
    profilesMenu_->addSeparator();
    profilesMenu_->addAction(Q(i18n::Text(language, i18n::ProfileTextId::SaveAsNew)), this,
                             &CHidMouseDlg::SaveAsNewProfile);
    const bool haveActive = state.names.contains(state.active);
    QAction* saveTo = profilesMenu_->addAction(
        Q(i18n::Text(language, i18n::ProfileTextId::SaveTo))
            .arg(haveActive ? MenuEntry(*profilesMenu_, state.active) : QString("…")),
        this, &CHidMouseDlg::SaveToActiveProfile);
    saveTo->setEnabled(haveActive);
}

void CHidMouseDlg::ShowProfileFailure(i18n::ProfileTextId what, const QString& name,
                                      const QString& why) {
    // One pass over the text: a name may hold "%2" itself.
    const QString text = Q(i18n::Text(ctx_.text.language, what)).arg(name, why);
    ctx_.Messages().ShowMessage(text.toStdString(), "Warning");
}

void CHidMouseDlg::ChooseProfile(const QString& name) {
    const ProfileService::Outcome outcome = profiles_->Use(name, /*ask=*/true);
    using Error = ProfileService::Error;
    // A cancelled question, or a switch without a mouse (the note says so), needs no message.
    if (outcome.ok() || outcome.error == Error::NoMouse ||
        (outcome.error == Error::Busy && outcome.message == "the switch was cancelled"))
        return;
    ShowProfileFailure(i18n::ProfileTextId::SwitchFailed, name, outcome.message);
}

void CHidMouseDlg::SaveAsNewProfile() {
    const std::optional<QString> name = askProfileName();
    if (!name) return;
    ProfileService::Outcome outcome = profiles_->Save(*name, /*replace=*/false);
    if (outcome.error == ProfileService::Error::Exists) {
        if (!askQuestion(
                Q(i18n::Text(ctx_.text.language, i18n::ProfileTextId::ReplaceQuestion)).arg(*name)))
            return;
        outcome = profiles_->Save(*name, /*replace=*/true);
    }
    if (!outcome.ok()) ShowProfileFailure(i18n::ProfileTextId::SaveFailed, *name, outcome.message);
}

void CHidMouseDlg::SaveToActiveProfile() {
    const QString active = profiles_->Refresh().active;
    if (active.isEmpty()) return;
    const ProfileService::Outcome outcome = profiles_->Save(active, /*replace=*/true);
    if (!outcome.ok()) ShowProfileFailure(i18n::ProfileTextId::SaveFailed, active, outcome.message);
}

void CHidMouseDlg::ShowNewSettings(bool applied) {
    if (applied) pointerControls_->Apply(ctx_.PointerSettings());
    // The macro panel holds record.ini as it was: the next Advanced page reads it anew.
    if (macroPanel_ != nullptr) {
        macroPanel_->HideControls();
        macroPanel_.reset();
    }
    RefreshDrawing();
    if (isVisible() && page_ != kNoPage) {
        RebuildCurrentPage();
    } else if (ctx_.pagesBuilt) {
        ctx_.rebuildOnRestore = true;
    }
}

void CHidMouseDlg::Cancel() {
    ctx_.settings.RestoreBackup();
    ctx_.rebuildOnRestore = true;
    PutAway();
}

void CHidMouseDlg::RunSkinsDialog() {
    skin::CSkinsDialog dialog(skin::PopupContext{Drawing(), ctx_.text.language, ctx_.Messages()},
                              this);
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
    const auto written = i18n::SaveSkinChoice(ctx_.paths.text, ctx_.text.red, ctx_.text.green,
                                              ctx_.text.blue, ctx_.text.skinName);
    if (!written.ok) ctx_.Log().Write("cannot save the skin choice: " + written.error);
    RefreshDrawing();
    RebuildCurrentPage();
    show();
    raise();
    activateWindow();
}

void CHidMouseDlg::keyPressEvent(QKeyEvent* event) {
    // While a macro is being recorded, keys are the recording, not commands.
    if (macroPanel_ != nullptr && macroPanel_->Recorder().Recording()) return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
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
    auto& image = ctx_.settings.image;
    const auto field = static_cast<performance::LightingField>(which);
    const performance::LightingChoices choices =
        performance::PressLightingField(image, ctx_.text.language, field);
    if (choices.chosenAtOnce) {
        skin::DrawSession s(*canvas_, Drawing(), normalFont_);
        DrawLightingFields(s);
        return;
    }
    if (choices.entries.empty()) return;
    const int height = field == performance::LightingField::Mode ? lw::kLightingModeListHeight
                       : field == performance::LightingField::Parameter
                           ? lw::LightingParameterListHeight(image.lightingMode())
                           : lw::kLightingEffectListHeight;
    auto* list = new QListWidget(this);
    list->setGeometry(ToQRect(lw::LightingList(which, height)));
    for (const std::string& entry : choices.entries) list->addItem(Q(entry));
    list->setMouseTracking(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    skin::StyleDropDown(*list, skin::DropDownLook::Of(Drawing()), normalFont_);
    connect(list, &QListWidget::itemClicked, this,
            [this, which, list](QListWidgetItem* item) { LightingChosen(which, list->row(item)); });
    connect(list, &QListWidget::entered, this,
            [list](const QModelIndex& index) { list->setCurrentIndex(index); });
    list->show();
    slot = list;
}

void CHidMouseDlg::LightingChosen(int which, int row) {
    if (row >= 0) {
        performance::ChooseLightingEntry(ctx_.settings.image,
                                         static_cast<performance::LightingField>(which),
                                         static_cast<std::size_t>(row));
    }
    auto& slot = lightingLists_[static_cast<std::size_t>(which)];
    if (slot) slot->deleteLater();
    slot = nullptr;
    skin::DrawSession s(*canvas_, Drawing(), normalFont_);
    DrawLightingFields(s);
}

}  // namespace ornyx::app
