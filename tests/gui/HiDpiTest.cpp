// The main window on a screen of whatever scale this run has: 1 in the usual
// run, 2 in the run ctest makes with QT_SCALE_FACTOR=2. The page then holds the
// screen's pixels and its skin files are the build's @2x files, each pixel of
// them landing on one screen pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImageReader>
#include <filesystem>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "layout/WindowLayout.h"
#include "session/Defaults.h"
#include "skin/SkinImage.h"
#include "support/TempDir.h"

namespace ornyx::app {
namespace {

namespace fs = std::filesystem;

QImage Read(const QString& path) {
    QImageReader reader(path);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// Pixels of the opaque part of `element` that differ from the page at
// `origin` (page pixels): skin elements are opaque or fully transparent, so a
// page drawn from that very file matches it exactly there.
int Mismatches(const QImage& page, const QImage& element, QPoint origin) {
    int count = 0;
    for (int y = 0; y < element.height(); ++y) {
        for (int x = 0; x < element.width(); ++x) {
            const QRgb e = element.pixel(x, y);
            if (qAlpha(e) != 255) continue;
            if ((page.pixel(origin.x() + x, origin.y() + y) & 0xFFFFFFu) != (e & 0xFFFFFFu))
                ++count;
        }
    }
    return count;
}

TEST(HiDpiTest, MainWindowDrawsTheSkinFilesOfItsScreensScale) {
    const qreal ratio = qApp->devicePixelRatio();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        ASSERT_EQ(ratio, 2.0) << "the scaled run must really be scaled";
    }
    const int scale = skin::SkinFileScale(ratio);

    test::TempDir home;
    session::InitProgramHome(settings::ProgramPaths::ForHome(home.path()));
    fs::copy(ORNYX_SKINS_DIR, home.path() / "Skins", fs::copy_options::recursive);
    AppOptions options;
    options.home = home.path().string();
    options.simulate = "";
    RecordingMessageSink messages;
    AppContext context(options, messages);
    CHidMouseDlg window(context, /*trayAvailable=*/false);
    window.Start();
    ASSERT_EQ(window.CurrentPage(), CHidMouseDlg::kBasicPage);

    const QImage& page = window.PageImage();
    EXPECT_EQ(page.devicePixelRatio(), scale);
    EXPECT_EQ(window.size(), page.deviceIndependentSize().toSize()) << "the window keeps its size";
    EXPECT_TRUE(messages.messages.empty()) << "a missing @2x file is no error";

    const QString skin =
        QString::fromStdString((home.path() / "Skins" / session::kDefaultSkinName).string());
    const auto& basic = layout::kBackgrounds[0];
    ASSERT_EQ(std::string_view(basic.file), "/BasicSet2.png");
    const layout::Placement* close = nullptr;
    for (const auto& place : basic.elements)
        if (place.element == layout::Element::CloseButton) close = &place;
    ASSERT_NE(close, nullptr);
    const std::string_view rest = layout::Images(close->element).rest;
    const QString file = skin + QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
    const QImage element = Read(skin::ScaledSkinFile(file, scale));
    ASSERT_FALSE(element.isNull()) << "the build lays out the files of every scale";
    ASSERT_EQ(element.size(), QSize(close->rect.Width(), close->rect.Height()) * scale);

    const QPoint origin(close->rect.left * scale, close->rect.top * scale);
    EXPECT_EQ(Mismatches(page, element, origin), 0);
    if (scale > 1) {
        // The 1x file enlarged is not what is on the page: the test can tell.
        const QImage enlarged =
            Read(file).scaled(element.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_GT(Mismatches(page, enlarged, origin), 0);
    }
}

}  // namespace
}  // namespace ornyx::app
