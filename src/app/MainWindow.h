#pragma once

#include <QFont>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/AppContext.h"
#include "app/AutoSwitcher.h"
#include "app/DesktopNotifier.h"
#include "app/ProfileService.h"
#include "common/HandOver.h"
#include "i18n/Texts.h"
#include "layout/WindowLayout.h"
#include "session/MouseConnection.h"
#include "skin/DrawnAccessible.h"
#include "skin/SkinCanvas.h"

namespace ornyx::performance::ui {
class PointerControls;
}

namespace ornyx::macros::ui {
class MacroPanel;
}

namespace ornyx::keys::ui {
class ButtonMenus;
}

namespace ornyx::app {

// The main window: a borderless window drawn entirely from the skin, with the
// Basic and Advanced pages, the tray icon and the link to the mouse.
class CHidMouseDlg : public QWidget, public skin::DrawnControlSource {
    Q_OBJECT

public:
    // `trayAvailable` comes from the desktop; tests choose it.
    CHidMouseDlg(AppContext& context, bool trayAvailable, QWidget* parent = nullptr);
    ~CHidMouseDlg() override;

    // The start-up sequence: opens the mouse, loads the page image, builds
    // the Basic page when the mouse is present, and starts hidden in the tray
    // (or shown where there is no tray, or with --show).
    void Start();

    // Tray icon: a left click shows the window while the mouse is present.
    void TrayClicked();
    // A second start of the program asks for the window: as a tray click
    // where there is a tray; without one the window always comes forward.
    void Activate();
    // The exit sequence: stops the reader, removes the tray icon, quits.
    void Exit();

    // A note through the desktop's notification service (or the tray's
    // balloon, or, without either, a short-lived note of our own).
    void ShowNotification(const QString& title, const QString& text, int timeoutMs);

    // Page control (also driven by tests).
    enum Page { kNoPage = 0, kBasicPage = 1, kAdvancedPage = 2 };
    int CurrentPage() const { return page_; }
    void BuildBasicPage();
    void BuildAdvancedPage();
    void RebuildCurrentPage();

    const QImage& PageImage() const { return canvas_->Page(); }
    // The macro panel, from the first build of the Advanced page on.
    macros::ui::MacroPanel* Panel() const { return macroPanel_.get(); }
    session::MouseConnection& Connection() { return *connection_; }
    // The six button menus of the Basic page.
    keys::ui::ButtonMenus& Menus() { return *buttonMenus_; }

    // Every notification shown, for tests and the log.
    struct Shown {
        QString title;
        QString text;
        int timeoutMs;
    };
    const std::vector<Shown>& Notifications() const { return shown_; }

    // The named profiles, switched and saved from the tray and the session bus.
    ProfileService& Profiles() { return *profiles_; }
    // The tray's menu (also without a tray, for tests and screenshots); its
    // Profiles submenu is filled anew each time it opens.
    QMenu* TrayMenu() const { return trayMenu_; }
    QMenu* ProfilesMenu() const { return profilesMenu_; }
    // Follows the application in front; the tray's checkable item pauses it.
    AutoSwitcher& Switcher() { return *switcher_; }
    QAction* AutoSwitchAction() const { return autoSwitchAction_; }
    QAction* WaitingAction() const { return waitingAction_; }
    // The tray's items of the switcher as the rules file and the switcher say now.
    void ShowAutoSwitchState();
    void FillProfilesMenu();
    // The tray's profile entries: a switch, with the question first when the
    // window holds changes not applied; a save as a new one after the name
    // prompt; a save over the active one.
    void ChooseProfile(const QString& name);
    void SaveAsNewProfile();
    void SaveToActiveProfile();
    // Applies what the window holds, for callers other than its buttons:
    // false, with the reason, when nothing or not all reached the mouse.
    bool ApplyForCaller(QString& error);

    // A yes-or-no question in a message box; tests replace it.
    std::function<bool(const QString& text)> askQuestion;
    // The name prompt of a new profile; tests replace it. nullopt when cancelled.
    std::function<std::optional<QString>()> askProfileName;

    // The colour dialog; tests replace it so that nothing waits for a user.
    std::function<std::optional<QColor>(const QColor&)> pickColour;
    // Opening the link; tests replace it.
    std::function<void(const QString&)> openLink;

    // The drawn controls of the current page, for screen readers.
    std::vector<skin::DrawnControl> DrawnControls() const override;

signals:
    void exitRequested();
    // The mouse came or went.
    void connectionChanged(bool present);
    // A notification the mouse sent, as shown: its kind ("dpi-level",
    // "report-rate", "mode", "macro"), its value and the text shown.
    void mouseEvent(const QString& kind, int value, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A region of the layout table under a point.
    using Hit = layout::window::Hit;

    QString T(i18n::TextId id) const;
    // The skin and text colour; refreshed whenever str.ini is read again.
    const skin::DrawingSettings& Drawing() const { return drawing_; }
    void RefreshDrawing();
    // Loads a page's background; a missing one is named once and replaced by
    // another skin's, or by a plain page.
    bool LoadPageBackground(const char* file);
    void DrawElement(skin::DrawSession& s, const Hit& e, bool over);
    void DrawCommon(skin::DrawSession& s);
    void DrawBasic(skin::DrawSession& s);
    void DrawAdvanced(skin::DrawSession& s);
    void DrawBox(skin::DrawSession& s, int k, bool over);
    void DrawModeButtons(skin::DrawSession& s);
    void DrawReportRateCell(skin::DrawSession& s, std::size_t position, bool lit);
    void DrawDpiColumn(skin::DrawSession& s, std::size_t level, bool litWhenOff = false);
    void DrawDpiTick(skin::DrawSession& s, std::size_t level);
    void DrawDpiSwatch(skin::DrawSession& s, std::size_t level);
    void DrawLightingFields(skin::DrawSession& s);
    // The region under `p` on the page shown: hover and presses both ask here.
    Hit HitAt(const QPoint& p) const;
    void SetHover(const Hit& e);
    void ClearHover();

    bool PressCommon(const Hit& hit);
    bool PressBasic(const Hit& hit, const QPoint& p);
    bool PressAdvanced(const Hit& hit, const QPoint& p);
    // Basic page presses; levels and positions count from 1.
    void PressReportRate(std::size_t n);
    void PressDpiTick(std::size_t level);
    void PressDpiSwatch(std::size_t level);
    void PressDpiCell(std::size_t level, std::size_t step);
    void Apply(bool hide);
    void Cancel();
    // Puts the window away: into the tray, or, without a tray, minimised to
    // the taskbar so that it stays reachable.
    void PutAway();
    void RestorePages();
    void ShowRaised();
    void RunSkinsDialog();
    void TearDown();
    void FirstBasicBuild();
    void ShowMode(std::uint8_t mode);

    void ToggleLightingList(int which);
    void CloseLightingLists();
    void LightingChosen(int which, int row);

    void OnDeviceEvent(const device::DeviceEvent& event);
    // Ends the event reader and waits for it, without serving hand-overs.
    void StopReader();
    void OnDeviceChange();
    void OnConnectionOutcome(session::ChangeOutcome outcome);
    void ShowMouseMissing();
    // The no-mouse line on the page and in the tray tooltip, set or cleared.
    void ShowMouseState();
    // The tray's tooltip: the no-mouse line and a switch that waits.
    void ShowTrayToolTip();
    // The tray's line for a switch that waits; empty when none does.
    QString WaitingText() const;
    void ShowFallbackNote(const QString& title, const QString& text);
    // The files hold other settings: the pages show them.
    void ShowNewSettings(bool applied);
    void ShowProfileFailure(i18n::ProfileTextId what, const QString& name, const QString& why);

    AppContext& ctx_;
    bool trayAvailable_;
    skin::SkinCanvas* canvas_;
    DesktopNotifier* notifier_;
    skin::DrawingSettings drawing_;
    QFont normalFont_;
    QFont titleFont_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QMenu* profilesMenu_ = nullptr;
    ProfileService* profiles_ = nullptr;
    AutoSwitcher* switcher_ = nullptr;
    QAction* autoSwitchAction_ = nullptr;
    QAction* waitingAction_ = nullptr;
    // Brings the reader's events to this thread; outlives the reader.
    HandOver handOver_;
    std::unique_ptr<session::MouseConnection> connection_;
    QObject* monitorNotifier_ = nullptr;  // tells of the monitor's changes
    QTimer* arrivalSettle_ = nullptr;     // runs while an arrival settles
    skin::WindowDrag drag_;

    int page_ = kNoPage;
    Hit hover_;  // the element drawn active; Target::None when none is
    std::size_t dpiSteps_ = 12;
    std::uint8_t panelSensor_ = 0;
    std::array<QPointer<QListWidget>, 3> lightingLists_{};
    std::unique_ptr<performance::ui::PointerControls> pointerControls_;
    std::unique_ptr<macros::ui::MacroPanel> macroPanel_;
    std::unique_ptr<keys::ui::ButtonMenus> buttonMenus_;
    std::vector<Shown> shown_;
    bool exiting_ = false;
};

}  // namespace ornyx::app
