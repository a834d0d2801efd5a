// Paints both pages and every pop-up, in each language, into PNG files, with
// the drop-down lists open, so that what a user sees can be looked at (and
// the README's pictures refreshed): ornyx-screenshots OUTDIR [SKIN]
// Runs offscreen on the simulated mouse; needs the skins beside the program.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/ProfileNameDialog.h"
#include "i18n/TextSettings.h"
#include "keys/ui/ButtonMenu.h"
#include "keys/ui/KeyDialogs.h"
#include "layout/WindowLayout.h"
#include "macros/ui/DelayTimeDialog.h"
#include "macros/ui/MacroDialog.h"
#include "profile/PrivateProfile.h"
#include "session/Defaults.h"
#include "skin/PopupFrame.h"
#include "skin/SkinText.h"
#include "skin/SkinsDialog.h"

using namespace ornyx;

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

bool Save(QWidget& widget, const QString& file) {
    Settle();
    const bool ok = widget.grab().save(file, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    return ok;
}

namespace lw = layout::window;

// The middle of a region of the window's layout.
QPoint Centre(const layout::Rect& r) {
    return {(r.left + r.right - 1) / 2, (r.top + r.bottom - 1) / 2};
}

void Click(QWidget& widget, const QPoint& at) {
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, at);
    Settle();
}

// A pop-up shown as the user sees it, after `prepare` (a list opened, a key
// typed) has been done on it.
bool ShootPopup(skin::PopupFrame& dialog, const QString& file,
                const std::function<void(skin::PopupFrame&)>& prepare) {
    if (!dialog.Initialise()) return false;
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    dialog.activateWindow();
    if (!QTest::qWaitForWindowExposed(&dialog)) return false;
    if (prepare) prepare(dialog);
    const bool ok = Save(dialog, file);
    dialog.hide();
    return ok;
}

bool ShootPopup(skin::PopupFrame& dialog, const QString& file, std::optional<QPoint> listBox) {
    return ShootPopup(dialog, file, [listBox](skin::PopupFrame& d) {
        if (listBox) Click(d, *listBox);
    });
}

// Button menus on the Basic page: box `k`'s menu open with entry `row` under
// the pointer. Offscreen there is no real pointer, so the hover is handed over
// as the list itself would.
bool HoverMenuEntry(app::CHidMouseDlg& window, int k, int row) {
    Click(window, {300, keys::ui::ButtonBoxRect(k).center().y()});
    QListWidget* list = window.Menus().Menu(k);
    if (list == nullptr || list->item(row) == nullptr) return false;
    QTest::mouseMove(list->viewport(), list->visualItemRect(list->item(row)).center());
    emit list->itemEntered(list->item(row));
    Settle();
    return true;
}

// The DPI sub-menu beside a button menu: one button is given a DPI function
// first (its dialog answered with OK), then the next button's menu is opened
// with the DPI entry under the pointer.
bool ShootDpiMenu(app::CHidMouseDlg& window, const QString& file) {
    skin::PopupFrame::SetAutoAnswer([](skin::PopupFrame& d) { d.accept(); });
    bool ok = HoverMenuEntry(window, 2, 14);
    if (ok) {
        QListWidget* list = window.Menus().Menu(2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(14)).center());
        Settle();
    }
    skin::PopupFrame::ClearAutoAnswer();
    ok = ok && HoverMenuEntry(window, 3, 6);
    ok = Save(window, file) && ok;
    Click(window, {300, 600});
    return ok;
}

// The tray menu with its Profiles submenu open beside it, as one picture.
bool ShootTrayMenu(app::CHidMouseDlg& window, const QString& file) {
    QMenu* tray = window.TrayMenu();
    QMenu* profiles = window.ProfilesMenu();
    if (tray == nullptr || profiles == nullptr) return false;
    tray->popup({40, 40});
    if (!QTest::qWaitForWindowExposed(tray)) return false;
    tray->setActiveAction(profiles->menuAction());
    QTest::keyClick(tray, Qt::Key_Right);  // opens the submenu, as a hover would
    Settle();
    if (!profiles->isVisible()) {
        tray->hide();
        return false;
    }
    const QRect both = tray->geometry().united(profiles->geometry());
    QPixmap picture(both.size());
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.drawPixmap(tray->geometry().topLeft() - both.topLeft(), tray->grab());
        painter.drawPixmap(profiles->geometry().topLeft() - both.topLeft(), profiles->grab());
    }
    const bool ok = picture.save(file, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    profiles->hide();
    tray->hide();
    Settle();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    skin::InstallFontSubstitutes();
    if (argc < 2) {
        std::fprintf(stderr, "usage: ornyx-screenshots OUTDIR [SKIN]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string skinName = argc > 2 ? argv[2] : "";
    const auto skins =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "Skins";
    bool ok = true;

    for (const char* code : {"EN", "CHS", "CHT", "TUR"}) {
        const QString lang = QString::fromLatin1(code).toLower();
        char tmpl[] = "/tmp/ornyx-shots-XXXXXX";
        if (::mkdtemp(tmpl) == nullptr) return 1;
        const std::filesystem::path home = tmpl;
        const auto paths = settings::ProgramPaths::ForHome(home);
        session::InitProgramHome(paths);
        std::error_code ec;
        std::filesystem::copy(skins, home / "Skins", std::filesystem::copy_options::recursive, ec);
        if (ec) {
            std::fprintf(stderr, "ornyx-screenshots: no skins beside the program (%s)\n",
                         ec.message().c_str());
            return 1;
        }
        profile::WritePrivateProfileString(paths.text, i18n::kSkinsSection, i18n::kLanguageKey,
                                           code);
        if (!skinName.empty()) {
            profile::WritePrivateProfileString(paths.text, i18n::kSkinsSection, i18n::kSkinNameKey,
                                               skinName);
        }
        app::AppOptions options;
        options.home = home.string();
        options.simulate = "";
        RecordingMessageSink messages;
        {
            app::AppContext context(options, messages);
            app::CHidMouseDlg window(context, /*trayAvailable=*/false);
            window.Start();
            ok &= QTest::qWaitForWindowExposed(&window);
            ok &= Save(window, out + "/basic-" + lang + ".png");
            Click(window,
                  Centre(lw::ButtonBox(
                      1)));  // the second button's menu (the first holds the only left button)
            ok &= Save(window, out + "/button-menu-" + lang + ".png");
            Click(window, Centre(lw::ButtonBox(1)));
            Click(window, Centre(lw::LightingBox(1)));  // the lighting parameter list
            ok &= Save(window, out + "/lighting-" + lang + ".png");
            Click(window, {300, 600});
            ok &= ShootDpiMenu(window, out + "/dpi-menu-" + lang + ".png");
            Click(window, Centre(lw::kAdvancedPageButton));  // the Advanced page
            ok &= Save(window, out + "/advanced-" + lang + ".png");
            Click(window, Centre(lw::kMouseEventBox));  // the mouse-event list
            ok &= Save(window, out + "/advanced-list-" + lang + ".png");
            Click(window, {300, 600});

            // A few profiles, the last one saved active and changed since.
            for (const char* name : {"Office", "Büro & Co", "Shooter"})
                window.Profiles().Save(QString::fromUtf8(name), /*replace=*/true);
            context.settings.image.reportRate() = 2;
            QString applyError;
            ok &= window.ApplyForCaller(applyError);
            ok &= ShootTrayMenu(window, out + "/tray-profiles-" + lang + ".png");

            const skin::DrawingSettings drawing =
                skin::DrawingSettings::From(context.paths, context.text);
            const skin::PopupContext popup{drawing, context.text.language, messages};
            {
                keys::ui::CSingleDialog d(popup);
                ok &= ShootPopup(d, out + "/single-key-" + lang + ".png", std::nullopt);
            }
            {
                // A key taken from the keyboard: Enter on the number pad.
                keys::ui::CSingleDialog d(popup);
                ok &= ShootPopup(d, out + "/single-key-typed-" + lang + ".png",
                                 [](skin::PopupFrame& f) {
                                     QTest::keyClick(&f, Qt::Key_Enter, Qt::KeypadModifier);
                                     Settle();
                                 });
            }
            {
                keys::ui::CComboDialog d(popup);
                ok &= ShootPopup(d, out + "/combo-key-" + lang + ".png",
                                 keys::ui::CComboDialog::kModifierBox.center());
            }
            {
                // A combination entered: Left Ctrl chosen from the list (which
                // closes it, so that the key fields under it show), A in the first key.
                keys::ui::CComboDialog d(popup);
                ok &= ShootPopup(
                    d, out + "/combo-key-typed-" + lang + ".png", [&d](skin::PopupFrame& f) {
                        Click(f, keys::ui::CComboDialog::kModifierBox.center());
                        if (QListWidget* list = d.ModifierList()) {
                            Click(*list->viewport(), list->visualItemRect(list->item(0)).center());
                        }
                        Click(*d.KeyEdit(1), {5, 5});
                        QTest::keyClick(d.KeyEdit(1), Qt::Key_A);
                        Settle();
                    });
            }
            {
                keys::ui::CFireKeyDialog d(popup);
                ok &= ShootPopup(d, out + "/fire-key-" + lang + ".png",
                                 keys::ui::CFireKeyDialog::kKeyBox.center());
            }
            {
                keys::ui::CMediaDialog d(popup);
                ok &= ShootPopup(d, out + "/media-key-" + lang + ".png",
                                 keys::ui::CMediaDialog::kBox.center());
            }
            {
                keys::ui::CWindowsDialog d(popup);
                ok &= ShootPopup(d, out + "/windows-key-" + lang + ".png",
                                 keys::ui::CWindowsDialog::kBox.center());
            }
            {
                macros::ui::CMacroDialog d(popup, context.paths.record);
                ok &= ShootPopup(d, out + "/macro-key-" + lang + ".png",
                                 macros::ui::CMacroDialog::kMacroBox.center());
            }
            {
                macros::ui::CDelayTimeDialog d(popup);
                ok &= ShootPopup(d, out + "/delay-" + lang + ".png", std::nullopt);
            }
            {
                app::CProfileNameDialog d(popup);
                ok &=
                    ShootPopup(d, out + "/profile-name-" + lang + ".png", [&d](skin::PopupFrame&) {
                        if (d.NameBox() != nullptr) QTest::keyClicks(d.NameBox(), "Strategy");
                        Settle();
                    });
            }
            {
                skin::CSkinsDialog d(popup);
                ok &= ShootPopup(d, out + "/skins-" + lang + ".png",
                                 skin::CSkinsDialog::kSkinBoxRect.center());
            }
            window.Exit();
        }
        std::filesystem::remove_all(home);
    }
    return ok ? 0 : 1;
}
