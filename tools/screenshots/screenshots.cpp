// Paints both pages and every pop-up, in each language, into PNG files, with
// the drop-down lists open, so that what a user sees can be looked at (and
// the README's pictures refreshed): ornyx-screenshots OUTDIR [SKIN]
// Runs offscreen on the simulated mouse; needs the skins beside the program.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "i18n/TextSettings.h"
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
QPoint Centre(const layout::Rect& r) { return {(r.left + r.right - 1) / 2, (r.top + r.bottom - 1) / 2}; }

void Click(QWidget& widget, const QPoint& at) {
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, at);
    Settle();
}

// A pop-up shown as the user sees it, optionally with its list opened.
bool ShootPopup(skin::PopupFrame& dialog, const QString& file, std::optional<QPoint> listBox) {
    if (!dialog.Initialise()) return false;
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return false;
    if (listBox) Click(dialog, *listBox);
    const bool ok = Save(dialog, file);
    dialog.hide();
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
    const auto skins = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "Skins";
    bool ok = true;

    for (const char* code : {"EN", "CHS", "CHT", "TUR"}) {
        const QString lang = QString::fromLatin1(code).toLower();
        char tmpl[] = "/tmp/ornyx-shots-XXXXXX";
        if (::mkdtemp(tmpl) == nullptr) return 1;
        const std::filesystem::path home = tmpl;
        const auto paths = settings::ProgramPaths::ForHome(home);
        settings::InitProgramHome(paths);
        std::error_code ec;
        std::filesystem::copy(skins, home / "Skins", std::filesystem::copy_options::recursive, ec);
        if (ec) {
            std::fprintf(stderr, "ornyx-screenshots: no skins beside the program (%s)\n", ec.message().c_str());
            return 1;
        }
        profile::WritePrivateProfileString(paths.text, i18n::kSkinsSection, i18n::kLanguageKey, code);
        if (!skinName.empty()) {
            profile::WritePrivateProfileString(paths.text, i18n::kSkinsSection, i18n::kSkinNameKey, skinName);
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
            Click(window, Centre(lw::ButtonBox(1)));  // the second button's menu (the first holds the only left button)
            ok &= Save(window, out + "/button-menu-" + lang + ".png");
            Click(window, Centre(lw::ButtonBox(1)));
            Click(window, Centre(lw::LightingBox(1)));  // the lighting parameter list
            ok &= Save(window, out + "/lighting-" + lang + ".png");
            Click(window, {300, 600});
            Click(window, Centre(lw::kAdvancedPageButton));  // the Advanced page
            ok &= Save(window, out + "/advanced-" + lang + ".png");
            Click(window, Centre(lw::kMouseEventBox));  // the mouse-event list
            ok &= Save(window, out + "/advanced-list-" + lang + ".png");
            Click(window, {300, 600});

            const skin::DrawingSettings drawing = skin::DrawingSettings::From(context.paths, context.text);
            const skin::PopupContext popup{drawing, context.text.language, messages};
            {
                keys::ui::CSingleDialog d(popup);
                ok &= ShootPopup(d, out + "/single-key-" + lang + ".png", std::nullopt);
            }
            {
                keys::ui::CComboDialog d(popup);
                ok &= ShootPopup(d, out + "/combo-key-" + lang + ".png", keys::ui::CComboDialog::kModifierBox.center());
            }
            {
                keys::ui::CFireKeyDialog d(popup);
                ok &= ShootPopup(d, out + "/fire-key-" + lang + ".png", keys::ui::CFireKeyDialog::kKeyBox.center());
            }
            {
                keys::ui::CMediaDialog d(popup);
                ok &= ShootPopup(d, out + "/media-key-" + lang + ".png", keys::ui::CMediaDialog::kBox.center());
            }
            {
                keys::ui::CWindowsDialog d(popup);
                ok &= ShootPopup(d, out + "/windows-key-" + lang + ".png", keys::ui::CWindowsDialog::kBox.center());
            }
            {
                macros::ui::CMacroDialog d(popup, context.paths.record);
                ok &= ShootPopup(d, out + "/macro-key-" + lang + ".png", macros::ui::CMacroDialog::kMacroBox.center());
            }
            {
                macros::ui::CDelayTimeDialog d(popup);
                ok &= ShootPopup(d, out + "/delay-" + lang + ".png", std::nullopt);
            }
            {
                skin::CSkinsDialog d(popup);
                ok &= ShootPopup(d, out + "/skins-" + lang + ".png", skin::CSkinsDialog::kSkinBoxRect.center());
            }
            window.Exit();
        }
        std::filesystem::remove_all(home);
    }
    return ok ? 0 : 1;
}
