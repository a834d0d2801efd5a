// ornyx-mouse: the tray program with the skinned main window.
#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "app/AppContext.h"
#include "app/AppOptions.h"
#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/ScriptInterface.h"
#include "app/SingleInstance.h"
#include "common/BuildInfo.h"
#include "skin/MessageBoxSink.h"
#include "skin/SkinText.h"

using namespace ornyx;

namespace {

// A screenshot run is unattended: a message box would wait for a click that
// never comes, so its messages go to stderr instead.
class StderrMessages final : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "ornyx-mouse: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                     text.c_str());
    }
};

bool DisplayReachableForQt(const QString& option) {
    const QByteArray platform = option.isEmpty() ? qgetenv("QT_QPA_PLATFORM") : option.toUtf8();
    if (!platform.isEmpty() && !platform.startsWith("wayland") && !platform.startsWith("xcb")) {
        return true;  // offscreen, minimal, vnc, ...: no display to look for
    }
    return app::DisplayReachable();
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList arguments = app::CommandLineArguments(argc, argv);
    QString message;
    int exitCode = 0;
    const auto options = app::ParseAppOptions(arguments, message, exitCode);
    if (!options) {
        std::fprintf(exitCode == 0 ? stdout : stderr, "%s\n", message.toLocal8Bit().constData());
        return exitCode;
    }
    // A screenshot needs no screen: draw offscreen when no display answers
    // (also when one is named but gone, where Qt would abort).
    if (!options->screenshot.isEmpty() && !DisplayReachableForQt(options->platform)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    // One instance: a second start hands the desktop's activation token to
    // the running one, which shows its window, and ends. Checked before Qt
    // starts, so that a second start opens no display of its own.
    app::SingleInstance instance(app::SingleInstance::DefaultFallbackFolder());
    if (!instance.Problem().isEmpty()) {
        std::fprintf(stderr, "ornyx-mouse: cannot make sure that only one instance runs: %s\n",
                     instance.Problem().toLocal8Bit().constData());
    }
    if (!instance.Acquired()) {
        // A screenshot run must not report success without its file.
        if (!options->screenshot.isEmpty()) {
            std::fprintf(stderr,
                         "ornyx-mouse: another instance is running; no screenshot was taken\n");
            return 1;
        }
        QString error;
        if (app::ActivateRunningInstance(instance.SocketPath(), qgetenv("XDG_ACTIVATION_TOKEN"),
                                         3000, error)) {
            return 0;
        }
        std::fprintf(stderr, "ornyx-mouse: already running, but it cannot be reached: %s\n",
                     error.toLocal8Bit().constData());
        return 1;
    }

    QApplication application(argc, argv);
    // The desktop knows the program by its application id (X11 class,
    // Wayland app id, tray item); people read its name.
    QApplication::setApplicationName(QString::fromUtf8(kAppId));
    QApplication::setApplicationVersion(QString::fromUtf8(kVersion));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kProgramName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(kAppId));
    QApplication::setWindowIcon(app::ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    skin::InstallFontSubstitutes();

    skin::MessageBoxSink messageBoxes;
    StderrMessages unattended;
    MessageSink& messages =
        options->screenshot.isEmpty() ? static_cast<MessageSink&>(messageBoxes) : unattended;
    std::unique_ptr<app::AppContext> context;
    try {
        context = std::make_unique<app::AppContext>(*options, messages);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ornyx-mouse: %s\n", e.what());
        return 2;
    }
    context->Log().Write("display platform: " + QGuiApplication::platformName().toStdString());
    if (!app::InstallQtTranslations(application, context->text.language)) {
        context->Log().Write("no Qt translations for the language in use");
    }
    app::CHidMouseDlg window(*context, QSystemTrayIcon::isSystemTrayAvailable());
    QObject::connect(&window, &app::CHidMouseDlg::exitRequested, &application,
                     [] { QApplication::exit(0); });
    std::unique_ptr<app::ActivationServer> activation;
    if (instance.SocketPath().isEmpty()) {
        context->Log().Write("no single-instance lock: " + instance.Problem().toStdString());
    } else {
        activation = std::make_unique<app::ActivationServer>(instance.SocketPath());
        if (!activation->Listening()) {
            context->Log().Write("a second start cannot reach this one: " +
                                 activation->ErrorString().toStdString());
        }
        QObject::connect(activation.get(), &app::ActivationServer::activationRequested, &window,
                         [&window](const QByteArray& token) {
                             // The token lets the compositor hand us the focus.
                             if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token);
                             window.Activate();
                         });
    }
    window.Start();
    // Scripts and ornyxctl reach this instance, and the desktop tells it the
    // application in front. A screenshot run is not the program the user
    // runs, and serves nothing.
    std::unique_ptr<QObject> scripting;
    if (options->screenshot.isEmpty()) {
        scripting = app::OfferScriptInterface(
            window, [&context](const std::string& line) { context->Log().Write(line); });
    }

    if (!options->screenshot.isEmpty()) {
        const QString file = options->screenshot;
        QTimer::singleShot(200, &window, [&window, file] {
            const QPixmap shot = window.grab();
            const bool ok = !shot.isNull() && shot.save(file, "PNG");
            if (shot.isNull()) {
                std::fprintf(stderr,
                             "ornyx-mouse: the window has nothing drawn to capture (is the skin "
                             "missing?)\n");
            } else if (!ok) {
                std::fprintf(stderr, "ornyx-mouse: cannot write %s\n",
                             file.toLocal8Bit().constData());
            }
            window.Exit();
            QApplication::exit(ok ? 0 : 1);
        });
    }
    const int code = application.exec();
    // A trace with lines missing is no record of what was sent.
    if (const std::string error = context->TraceError(); !error.empty()) {
        std::fprintf(stderr, "ornyx-mouse: %s\n", error.c_str());
        return 2;
    }
    return code;
}
