// The skin toolkit against real files and real widgets: PNGs are written into
// a temporary skin folder, drawn onto pages, and the pop-up frame is driven
// with QTest's mouse and key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/MessageSink.h"
#include "skin/ControlColours.h"
#include "skin/MessageBoxSink.h"
#include "skin/PopupFrame.h"
#include "skin/SkinCanvas.h"
#include "skin/SkinImage.h"
#include "skin/SkinText.h"
#include "support/TempDir.h"

namespace ornyx::skin {
namespace {

namespace fs = std::filesystem;
using Message = RecordingMessageSink::Message;

QString QPath(const fs::path& p) {
    return QString::fromStdString(p.string());
}

// A straight-alpha image of one colour.
QImage Solid(int width, int height, QRgb straight) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(straight);
    return image;
}

void SavePng(const QImage& image, const fs::path& file) {
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(image.save(QPath(file), "PNG")) << file;
}

bool Near(QRgb actual, QRgb expected, int tolerance = 1) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

std::string Hex(QRgb p) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", p);
    return text;
}

// The bounding box of the pixels that differ from `background`.
QRect InkBox(const QImage& page, QRgb background) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) != background) box |= QRect(x, y, 1, 1);
    return box;
}

bool SameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// ---- Loading, premultiplying, blending --------------------------------------------

TEST(SkinImageTest, PremultipliesByTheIntegerRuleNotByQtRounding) {
    QImage straight(4, 1, QImage::Format_ARGB32);
    straight.setPixel(0, 0, qRgba(200, 100, 50, 128));
    straight.setPixel(1, 0, qRgba(201, 255, 3, 128));  // Qt would round to 101, 128, 2
    straight.setPixel(2, 0, qRgba(255, 255, 255, 0));
    straight.setPixel(3, 0, qRgba(10, 20, 30, 255));

    const QImage blend = PremultiplyStraight(straight);
    ASSERT_EQ(blend.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(Hex(blend.pixel(0, 0)), Hex(qRgba(100, 50, 25, 128)));
    EXPECT_EQ(Hex(blend.pixel(1, 0)), Hex(qRgba(100, 128, 1, 128)));
    EXPECT_EQ(Hex(blend.pixel(2, 0)), Hex(qRgba(0, 0, 0, 0)));
    EXPECT_EQ(Hex(blend.pixel(3, 0)), Hex(qRgba(10, 20, 30, 255)));

    // The whole path from a file: drawn onto an empty page, source-over leaves
    // exactly the premultiplied bytes.
    test::TempDir dir;
    SavePng(straight, dir / "p.png");
    QImage page(4, 1, QImage::Format_ARGB32_Premultiplied);
    page.fill(0);
    QPainter painter(&page);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(dir / "p.png"), 0, 0));
    painter.end();
    EXPECT_EQ(Hex(page.pixel(0, 0)), Hex(qRgba(100, 50, 25, 128)));
    EXPECT_EQ(Hex(page.pixel(1, 0)), Hex(qRgba(100, 128, 1, 128)));
    EXPECT_EQ(Hex(page.pixel(3, 0)), Hex(qRgba(10, 20, 30, 255)));
}

TEST(SkinImageTest, BlendsAtNaturalSizeOverWhatThePageHolds) {
    test::TempDir dir;
    QImage element = Solid(3, 2, qRgba(200, 100, 50, 128));
    element.setPixel(2, 0, qRgba(255, 255, 255, 0));  // fully transparent
    SavePng(element, dir / "e.png");

    const QRgb blue = qRgb(0, 0, 200);
    QImage page(10, 10, QImage::Format_RGB32);
    page.fill(blue);
    QPainter painter(&page);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(dir / "e.png"), 3, 4));
    painter.end();

    // 100, 50, 25 from the element plus the page's blue scaled by 127/255.
    const QRgb blended = qRgb(100, 50, 25 + 200 * 127 / 255);
    EXPECT_TRUE(Near(page.pixel(3, 4), blended)) << Hex(page.pixel(3, 4));
    EXPECT_TRUE(Near(page.pixel(4, 5), blended)) << Hex(page.pixel(4, 5));
    EXPECT_EQ(page.pixel(5, 4), blue) << "a transparent pixel leaves the page as it was";
    EXPECT_TRUE(Near(page.pixel(5, 5), blended));
    for (const QPoint outside : {QPoint(2, 4), QPoint(3, 3), QPoint(6, 5), QPoint(3, 6)})
        EXPECT_EQ(page.pixel(outside), blue) << outside.x() << "," << outside.y();
}

TEST(SkinImageTest, FileWithoutAlphaIsCopiedOpaque) {
    test::TempDir dir;
    QImage rgb(2, 2, QImage::Format_RGB888);
    rgb.fill(QColor(30, 60, 90));
    SavePng(rgb, dir / "rgb.png");

    const auto loaded = LoadSkinImage(QPath(dir / "rgb.png"));
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->hasAlpha);
    EXPECT_EQ(loaded->pixels.format(), QImage::Format_ARGB32);

    // Even over a see-through page the copy is opaque and exact.
    QImage page(4, 4, QImage::Format_ARGB32_Premultiplied);
    page.fill(qRgba(0, 0, 100, 100));
    QPainter painter(&page);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(dir / "rgb.png"), 1, 1));
    painter.end();
    EXPECT_EQ(Hex(page.pixel(1, 1)), Hex(qRgb(30, 60, 90)));
    EXPECT_EQ(Hex(page.pixel(2, 2)), Hex(qRgb(30, 60, 90)));
    EXPECT_EQ(Hex(page.pixel(0, 0)), Hex(qRgba(0, 0, 100, 100)));
}

TEST(SkinImageTest, UnloadableFilesAreSilentOnTheMainWindowAndReportedOnPopups) {
    test::TempDir dir;
    test::WriteText(dir / "corrupt.png", "\x89PNG\r\n\x1a\n this is not an image");
    test::WriteText(dir / "empty.png", "");
    const QRgb grey = qRgb(50, 50, 50);
    QImage page(8, 8, QImage::Format_RGB32);
    page.fill(grey);

    for (const QString& path :
         {QPath(dir / "missing.png"), QPath(dir / "corrupt.png"), QPath(dir / "empty.png"),
          QPath(dir / "no-such-dir/x.png"), QString()}) {
        SCOPED_TRACE(path.toStdString());
        QPainter painter(&page);
        EXPECT_FALSE(DrawSkinElement(painter, path, 0, 0));
        RecordingMessageSink sink;
        EXPECT_FALSE(DrawSkinElement(painter, path, 0, 0, sink));
        painter.end();
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, "LoadPng---Load image failed.");
        EXPECT_EQ(sink.messages[0].caption, kProgramName);
        EXPECT_EQ(InkBox(page, grey), QRect());
    }

    // No page to draw on: nothing is attempted, so nothing is reported.
    SavePng(Solid(2, 2, qRgba(1, 2, 3, 255)), dir / "ok.png");
    QPainter idle;
    RecordingMessageSink sink;
    EXPECT_FALSE(DrawSkinElement(idle, QPath(dir / "ok.png"), 0, 0));
    EXPECT_FALSE(DrawSkinElement(idle, QPath(dir / "missing.png"), 0, 0, sink));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(SkinImageTest, EveryDrawReadsTheFileAgain) {
    test::TempDir dir;
    const fs::path file = dir / "e.png";
    QImage page(2, 2, QImage::Format_RGB32);
    page.fill(0);
    QPainter painter(&page);
    SavePng(Solid(2, 2, qRgba(255, 0, 0, 255)), file);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(file), 0, 0));
    EXPECT_EQ(Hex(page.pixel(0, 0)), Hex(qRgb(255, 0, 0)));
    SavePng(Solid(2, 2, qRgba(0, 255, 0, 255)), file);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(file), 0, 0));
    EXPECT_EQ(Hex(page.pixel(0, 0)), Hex(qRgb(0, 255, 0)));
    fs::remove(file);
    EXPECT_FALSE(DrawSkinElement(painter, QPath(file), 0, 0));
    EXPECT_EQ(Hex(page.pixel(0, 0)), Hex(qRgb(0, 255, 0)));
}

// PNGs are decoded by libspng, anything else by Qt: every kind of file must
// come out as Qt's own reader gives it, with the same alpha verdict.
TEST(SkinImageTest, EveryKindOfFileDecodesAsQtReadsIt) {
    test::TempDir dir;
    QImage straight(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            straight.setPixel(x, y, qRgba(40 * x, 80 * y, 7 * x + y, 50 * x + 5));
    QImage palette(4, 2, QImage::Format_Indexed8);
    palette.setColorTable({qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 0), qRgba(0, 0, 255, 128)});
    palette.fill(2);
    palette.setPixel(0, 0, 1);
    QImage opaquePalette(4, 2, QImage::Format_Indexed8);
    opaquePalette.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 0)});
    opaquePalette.fill(1);
    QImage grey(3, 3, QImage::Format_Grayscale8);
    grey.fill(77);
    QImage deep(3, 2, QImage::Format_RGBA64);
    deep.fill(QColor::fromRgba64(65535, 30000, 1000, 40000));
    const std::vector<std::pair<std::string, QImage>> files = {
        {"straight.png", straight}, {"palette.png", palette}, {"opaque-palette.png", opaquePalette},
        {"grey.png", grey},         {"deep.png", deep},
    };
    for (const auto& [name, image] : files) SavePng(image, dir / name);
    // Another format under a PNG name still loads, through Qt.
    ASSERT_TRUE(straight.save(QPath(dir / "bitmap.png"), "BMP"));

    for (const std::string name : {"straight.png", "palette.png", "opaque-palette.png", "grey.png",
                                   "deep.png", "bitmap.png"}) {
        SCOPED_TRACE(name);
        QImageReader reader(QPath(dir / name));
        const QImage qt = reader.read();
        ASSERT_FALSE(qt.isNull());
        const auto ours = LoadSkinImage(QPath(dir / name));
        ASSERT_TRUE(ours.has_value());
        EXPECT_EQ(ours->hasAlpha, qt.hasAlphaChannel());
        const QImage expected = qt.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(ours->pixels.size(), expected.size());
        int differ = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                if (!Near(ours->pixels.pixel(x, y), expected.pixel(x, y)) ||
                    std::abs(qAlpha(ours->pixels.pixel(x, y)) - qAlpha(expected.pixel(x, y))) > 1)
                    ++differ;
        EXPECT_EQ(differ, 0);
    }

    // A file cut short or with garbage after the signature fails, never crashes.
    QFile whole(QPath(dir / "straight.png"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    for (const QByteArray& broken :
         {bytes.left(bytes.size() / 2), bytes.left(8) + QByteArray(64, '\x7f'), bytes.left(20)}) {
        QFile out(QPath(dir / "broken.png"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(broken);
        out.close();
        EXPECT_FALSE(LoadSkinImage(QPath(dir / "broken.png")).has_value());
    }
}

// ---- High-resolution files ---------------------------------------------------------

TEST(SkinImageTest, HighResolutionNamesFollowQtsConvention) {
    EXPECT_EQ(ScaledSkinFile(QStringLiteral("/s/Skins/A/button-over.png"), 2),
              QStringLiteral("/s/Skins/A/button-over@2x.png"));
    EXPECT_EQ(ScaledSkinFile(QStringLiteral("/s/Skins/A.b/noext"), 2),
              QStringLiteral("/s/Skins/A.b/noext@2x"));
    EXPECT_EQ(ScaledSkinFile(QStringLiteral("/s/x.png"), 1), QStringLiteral("/s/x.png"));
    EXPECT_EQ(SkinFileScale(1.0), 1);
    EXPECT_EQ(SkinFileScale(1.25), 2);
    EXPECT_EQ(SkinFileScale(2.0), 2);
}

// A page of device pixel ratio 2 (a screen scaled by 2) draws the @2x file,
// each of its pixels on one device pixel, at the 1x file's place and size; a
// page of ratio 1 keeps drawing the 1x file.
TEST(SkinImageTest, PageOfRatioTwoDrawsTheHighResolutionFile) {
    test::TempDir dir;
    SavePng(Solid(2, 2, qRgba(200, 0, 0, 255)), dir / "e.png");
    // Four colours in the quarters: an enlarged 1x file could not give them.
    QImage sharp(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            sharp.setPixel(x, y, (x + y) % 2 == 0 ? qRgba(0, 200, 0, 255) : qRgba(0, 0, 200, 255));
    SavePng(sharp, dir / "e@2x.png");

    const QRgb grey = qRgb(50, 50, 50);
    QImage page(20, 20, QImage::Format_RGB32);
    page.setDevicePixelRatio(2);
    page.fill(grey);
    QPainter painter(&page);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(dir / "e.png"), 3, 4));
    painter.end();
    EXPECT_EQ(InkBox(page, grey), QRect(6, 8, 4, 4)) << "at (3, 4) and 2 × 2 in page units";
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Hex(page.pixel(6 + x, 8 + y)), Hex(sharp.pixel(x, y) | 0xff000000u))
                << x << "," << y;

    QImage plain(10, 10, QImage::Format_RGB32);
    plain.fill(grey);
    QPainter onePerPixel(&plain);
    ASSERT_TRUE(DrawSkinElement(onePerPixel, QPath(dir / "e.png"), 3, 4));
    onePerPixel.end();
    EXPECT_EQ(InkBox(plain, grey), QRect(3, 4, 2, 2));
    EXPECT_EQ(Hex(plain.pixel(3, 4)), Hex(qRgb(200, 0, 0)));
}

TEST(SkinImageTest, MissingHighResolutionFileFallsBackToTheOneXFileSilently) {
    test::TempDir dir;
    SavePng(Solid(2, 2, qRgba(200, 0, 0, 255)), dir / "e.png");
    QImage page(20, 20, QImage::Format_RGB32);
    page.setDevicePixelRatio(2);
    page.fill(qRgb(50, 50, 50));
    RecordingMessageSink sink;
    QPainter painter(&page);
    ASSERT_TRUE(DrawSkinElement(painter, QPath(dir / "e.png"), 3, 4, sink));
    painter.end();
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(InkBox(page, qRgb(50, 50, 50)), QRect(6, 8, 4, 4)) << "enlarged to the same place";
    EXPECT_TRUE(Near(page.pixel(7, 9), qRgb(200, 0, 0), 2));

    // A page background without @2x file is enlarged to twice the pixels, so
    // that the window keeps its size and @2x elements still land sharp.
    SavePng(Solid(5, 3, qRgba(10, 20, 30, 255)), dir / "bg.png");
    const QImage enlarged = LoadOpaquePage(QPath(dir / "bg.png"), 2.0);
    EXPECT_EQ(enlarged.size(), QSize(10, 6));
    EXPECT_EQ(enlarged.devicePixelRatio(), 2.0);
    EXPECT_EQ(enlarged.deviceIndependentSize().toSize(), QSize(5, 3));
    QImage big(10, 6, QImage::Format_RGB32);
    big.fill(qRgb(90, 80, 70));
    SavePng(big, dir / "bg@2x.png");
    const QImage own = LoadOpaquePage(QPath(dir / "bg.png"), 2.0);
    EXPECT_EQ(Hex(own.pixel(9, 5)), Hex(qRgb(90, 80, 70)));
    EXPECT_EQ(Hex(LoadOpaquePage(QPath(dir / "bg.png"), 1.0).pixel(0, 0)), Hex(qRgb(10, 20, 30)));
    // Both missing: still an unloadable file, reported as before.
    RecordingMessageSink missing;
    QPainter again(&page);
    EXPECT_FALSE(DrawSkinElement(again, QPath(dir / "gone.png"), 0, 0, missing));
    again.end();
    EXPECT_EQ(missing.messages.size(), 1U);
}

// ---- Texts ---------------------------------------------------------------------

TEST(SkinTextTest, TextIsDrawnInTheSkinColourOnATransparentBackground) {
    const QRgb black = qRgb(0, 0, 0);
    QImage page(200, 40, QImage::Format_RGB32);
    page.fill(black);
    QPainter painter(&page);
    DrawSkinText(painter, "MMMM OK", QRect(0, 0, 200, 40), TextFormat::CentredSingleLine,
                 NormalFont(i18n::Language::English), SkinTextColour(255, 0, 0));
    painter.end();

    int strongRed = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            ASSERT_EQ(qGreen(p), 0) << x << "," << y;
            ASSERT_EQ(qBlue(p), 0) << x << "," << y;
            strongRed += qRed(p) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(strongRed, 20);
    // Only the letters changed: the background around them stays black.
    EXPECT_EQ(page.pixel(0, 0), black);
    EXPECT_EQ(page.pixel(199, 39), black);
}

TEST(SkinTextTest, LayoutsPlaceAndClipTheText) {
    const QFont font = NormalFont(i18n::Language::English);
    const QRect rect(20, 10, 200, 60);
    auto ink = [&](const QString& text, TextFormat format, QRect in) {
        QImage page(240, 100, QImage::Format_RGB32);
        page.fill(0xFF000000u);
        QPainter painter(&page);
        DrawSkinText(painter, text, in, format, font, Qt::white);
        return InkBox(page, 0xFF000000u);
    };

    const QRect left = ink("Label", TextFormat::LeftSingleLine, rect);
    const QRect right = ink("Label", TextFormat::RightSingleLine, rect);
    const QRect centred = ink("Label", TextFormat::CentredSingleLine, rect);
    const QRect top = ink("Label", TextFormat::CentredTop, rect);
    ASSERT_FALSE(left.isEmpty());
    EXPECT_LE(left.left(), rect.left() + 3);
    EXPECT_GE(right.right(), rect.right() - 3);
    EXPECT_NEAR(centred.center().x(), rect.center().x(), 3);
    EXPECT_NEAR(centred.center().y(), rect.center().y(), 3);
    EXPECT_NEAR(left.center().y(), rect.center().y(), 3);
    EXPECT_NEAR(top.center().x(), rect.center().x(), 3);
    EXPECT_LE(top.top(), rect.top() + 5);

    // Wrapped: several lines, left-aligned, the block in the middle.
    const QString words = "Speed (value range 5-255, with smaller values faster)";
    const QRect wrapped = ink(words, TextFormat::WordWrap, QRect(20, 10, 90, 80));
    EXPECT_GT(wrapped.height(), 2 * QFontMetrics(font).height());
    EXPECT_LE(wrapped.right(), 20 + 90);
    EXPECT_NEAR(wrapped.center().y(), 50, 4);
    // A single line that does not fit is cut at the rectangle.
    const QRect narrow(50, 30, 40, 20);
    const QRect clipped = ink(words, TextFormat::CentredSingleLine, narrow);
    EXPECT_TRUE(narrow.contains(clipped)) << clipped.x() << " " << clipped.width();
}

// ---- Skin folder, page and canvas ----------------------------------------------------

TEST(SkinCanvasTest, WindowsAreCentredAndLargeOnesKeepTheirCornerInView) {
    EXPECT_EQ(CentredIn(QSize(890, 660), QRect(0, 0, 1920, 1080)), QPoint(515, 210));
    EXPECT_EQ(CentredIn(QSize(890, 660), QRect(1920, 30, 1280, 994)), QPoint(1920 + 195, 30 + 167));
    EXPECT_EQ(CentredIn(QSize(890, 660), QRect(0, 0, 800, 600)), QPoint(0, 0));
    EXPECT_EQ(CentredIn(QSize(890, 660), QRect(100, 24, 800, 1000)), QPoint(100, 24 + 170));
}

TEST(SkinCanvasTest, SkinFilesAreFolderNameAndFileJoined) {
    DrawingSettings settings{"/home/u/Skins", "Dark Blue", 0, 0, 0};
    EXPECT_EQ(settings.SkinFile("/BasicSet2.png"), "/home/u/Skins/Dark Blue/BasicSet2.png");
    settings.skinName = "";  // the Skins folder itself
    EXPECT_EQ(settings.SkinFile("/BasicSet2.png"), "/home/u/Skins//BasicSet2.png");
    settings.skinName = "皮肤";
    EXPECT_EQ(settings.SkinFile("/a.png"), QString::fromUtf8("/home/u/Skins/皮肤/a.png"));
    for (const char* escaping : {"..", "../../etc", "a/b", "/abs"}) {
        settings.skinName = escaping;
        EXPECT_EQ(settings.SkinFile("/BasicSet2.png"), QString()) << escaping;
    }
}

TEST(SkinCanvasTest, UnusableSkinOrMissingBackgroundGivesAnEmptyPageThatDrawsNothing) {
    test::TempDir dir;
    SavePng(Solid(30, 20, qRgba(1, 2, 3, 255)), dir / "Skins" / "ok" / "BasicSet2.png");
    SavePng(Solid(30, 20, qRgba(1, 2, 3, 255)), dir / "BasicSet2.png");  // one level up
    for (const char* name : {"missing", "..", "ok/../..", "ok\\x"}) {
        SCOPED_TRACE(name);
        const DrawingSettings settings{dir / "Skins", name, 255, 255, 255};
        SkinCanvas canvas;
        EXPECT_FALSE(canvas.LoadPage(settings.SkinFile("/BasicSet2.png")));
        EXPECT_EQ(canvas.size(), QSize(0, 0));
        EXPECT_TRUE(canvas.Page().isNull());
        RecordingMessageSink sink;
        {
            DrawSession session(canvas, settings, QFont(), &sink);
            EXPECT_FALSE(session.Active());
            EXPECT_FALSE(session.Element("/BasicSet2.png", 0, 0));
            session.Text("x", QRect(0, 0, 10, 10), TextFormat::LeftSingleLine);
        }
        EXPECT_TRUE(sink.messages.empty());
        canvas.show();
        QApplication::processEvents();
    }
}

class SkinCanvasPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        SavePng(Solid(60, 40, qRgba(0, 80, 0, 255)), dir_ / "Skins" / "T" / "page.png");
        SavePng(Solid(10, 10, qRgba(255, 0, 0, 255)), dir_ / "Skins" / "T" / "dot.png");
    }
    test::TempDir dir_;
    DrawingSettings settings_{dir_ / "Skins", "T", 255, 255, 0};
};

TEST_F(SkinCanvasPaintTest, WindowShowsTheLastDrawnPageAfterBeingHiddenAndShown) {
    SkinCanvas canvas;
    ASSERT_TRUE(canvas.LoadPage(settings_.SkinFile("/page.png")));
    EXPECT_EQ(canvas.size(), QSize(60, 40));
    canvas.show();
    {
        DrawSession session(canvas, settings_, NormalFont(i18n::Language::English));
        EXPECT_TRUE(session.Element("/dot.png", 5, 5));
        session.Text("Hi", QRect(20, 20, 40, 20), TextFormat::LeftSingleLine);
    }
    EXPECT_EQ(Hex(canvas.Page().pixel(7, 7)), Hex(qRgb(255, 0, 0)));
    const QImage drawn = canvas.Page().copy();

    canvas.hide();
    QApplication::processEvents();
    canvas.show();
    QApplication::processEvents();
    const QImage shown = canvas.grab().toImage();
    EXPECT_TRUE(SameImage(shown, drawn)) << "the widget shows the page, element and text included";
    EXPECT_TRUE(SameImage(canvas.Page(), drawn)) << "painting the widget leaves the page alone";
}

TEST_F(SkinCanvasPaintTest, MissingElementsAreReportedOnlyAfterTheSessionHasDrawn) {
    SkinCanvas canvas;
    ASSERT_TRUE(canvas.LoadPage(settings_.SkinFile("/page.png")));
    RecordingMessageSink sink;
    {
        DrawSession session(canvas, settings_, QFont(), &sink);
        EXPECT_FALSE(session.Element("/gone.png", 0, 0));
        EXPECT_TRUE(session.Element("/dot.png", 0, 0));
        EXPECT_FALSE(session.Element("/gone.png", 0, 0));
        EXPECT_TRUE(sink.messages.empty()) << "no message box while the page is held";
    }
    // Named, and once: a redraw does not repeat it.
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text,
              std::string(kLoadImageFailed) + "\n" +
                  QDir::toNativeSeparators(settings_.SkinFile("/gone.png")).toStdString());
    {
        DrawSession again(canvas, settings_, QFont(), &sink);
        EXPECT_FALSE(again.Element("/gone.png", 0, 0));
    }
    EXPECT_EQ(sink.messages.size(), 1u);

    // Without a sink (the main window) the same draws stay silent.
    DrawSession quiet(canvas, settings_, QFont());
    EXPECT_FALSE(quiet.Element("/gone.png", 0, 0));
}

// ---- Pop-up frame -------------------------------------------------------------------

constexpr QRgb kBackground = qRgb(20, 30, 40);
constexpr QRgb kNormal = qRgb(60, 60, 60);
constexpr QRgb kOver = qRgb(230, 120, 0);
constexpr QRgb kCloseNormal = qRgb(90, 90, 90);
constexpr QRgb kCloseOver = qRgb(200, 0, 0);

// A content part just big enough to see the hooks at work.
class TestPopup : public PopupFrame {
public:
    using PopupFrame::PopupFrame;

    bool allowOk = true;
    int okCalls = 0;
    int contentCreated = 0;
    QListWidget* list = nullptr;

protected:
    void CreateContent() override {
        ++contentCreated;
        list = new QListWidget(this);
        list->setGeometry(40, 60, 100, 100);
        for (int i = 0; i < 30; ++i) list->addItem(QString::number(i));
        ColourControl(*list);
    }
    bool OnOk() override {
        ++okCalls;
        return allowOk;
    }
    QAbstractScrollArea* WheelList() override { return list; }
};

class PopupFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path skin = dir_ / "Skins" / "Test";
        SavePng(Solid(390, 285, kBackground), skin / "single-key.png");
        SavePng(Solid(105, 21, kNormal), skin / "button-normal.png");
        SavePng(Solid(105, 21, kOver), skin / "button-over.png");
        SavePng(Solid(18, 18, kCloseNormal), skin / "button-close-normal.png");
        SavePng(Solid(18, 18, kCloseOver), skin / "button-close-over.png");
    }
    void TearDown() override { PopupFrame::ClearAutoAnswer(); }

    PopupContext Context(i18n::Language language = i18n::Language::English) {
        return {settings_, language, sink_};
    }
    static QRgb At(const PopupFrame& dialog, QPoint p) { return dialog.Page().pixel(p); }
    // Corners of the buttons: away from their captions.
    static QPoint OkProbe() { return PopupFrame::kOkRect.topLeft() + QPoint(2, 2); }
    static QPoint CancelProbe() { return PopupFrame::kCancelRect.bottomRight() - QPoint(2, 2); }
    static QPoint CloseProbe() { return PopupFrame::kCloseRect.topLeft() + QPoint(1, 1); }

    test::TempDir dir_;
    DrawingSettings settings_{dir_ / "Skins", "Test", 255, 255, 255};
    RecordingMessageSink sink_;
};

TEST_F(PopupFrameTest, FrameTakesTheBackgroundsSizeAndDrawsItsButtons) {
    TestPopup dialog(Context(i18n::Language::Turkish), kSingleKeyPopup);
    ASSERT_TRUE(dialog.Initialise());
    EXPECT_EQ(dialog.size(), QSize(390, 285));
    EXPECT_EQ(dialog.OkCaption(), QString::fromUtf8("Tamam"));
    EXPECT_EQ(dialog.CancelCaption(), QString::fromUtf8("İptal"));
    dialog.show();
    EXPECT_EQ(At(dialog, OkProbe()), kNormal);
    EXPECT_EQ(At(dialog, CancelProbe()), kNormal);
    EXPECT_EQ(At(dialog, CloseProbe()), kCloseNormal);
    EXPECT_EQ(At(dialog, QPoint(10, 10)), kBackground);
    // The caption is drawn in white in the middle of OK.
    const QImage ok = dialog.Page().copy(PopupFrame::kOkRect);
    EXPECT_FALSE(InkBox(ok, kNormal).isEmpty());
    EXPECT_NEAR(InkBox(ok, kNormal).center().x(), ok.width() / 2, 4);
    EXPECT_TRUE(sink_.messages.empty());
    EXPECT_EQ(dialog.contentCreated, 1);
}

TEST_F(PopupFrameTest, HoverLightsTheButtonUnderThePointerAndOnlyThatOne) {
    TestPopup dialog(Context(), kSingleKeyPopup);
    ASSERT_TRUE(dialog.Initialise());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    using B = PopupFrame::FrameButton;

    QTest::mouseMove(&dialog, PopupFrame::kOkRect.center());
    EXPECT_EQ(dialog.HoveredButton(), B::Ok);
    EXPECT_EQ(At(dialog, OkProbe()), kOver);
    QApplication::processEvents();
    EXPECT_EQ(dialog.grab().toImage().pixel(OkProbe()), kOver) << "the window shows the page";

    QTest::mouseMove(&dialog, PopupFrame::kCancelRect.center());  // straight from OK
    EXPECT_EQ(dialog.HoveredButton(), B::Cancel);
    EXPECT_EQ(At(dialog, OkProbe()), kNormal);
    EXPECT_EQ(At(dialog, CancelProbe()), kOver);

    QTest::mouseMove(&dialog, PopupFrame::kCloseRect.center());
    EXPECT_EQ(dialog.HoveredButton(), B::Close);
    EXPECT_EQ(At(dialog, CancelProbe()), kNormal);
    EXPECT_EQ(At(dialog, CloseProbe()), kCloseOver);

    QTest::mouseMove(&dialog, QPoint(200, 100));  // free background
    EXPECT_EQ(dialog.HoveredButton(), B::None);
    EXPECT_EQ(At(dialog, CloseProbe()), kCloseNormal);

    // Leaving the window straight from a button also puts it back.
    QTest::mouseMove(&dialog, PopupFrame::kOkRect.center());
    ASSERT_EQ(At(dialog, OkProbe()), kOver);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&dialog, &leave);
    EXPECT_EQ(At(dialog, OkProbe()), kNormal);

    // Showing again draws the frame at rest.
    QTest::mouseMove(&dialog, PopupFrame::kCancelRect.center());
    dialog.hide();
    dialog.show();
    EXPECT_EQ(At(dialog, CancelProbe()), kNormal);
    EXPECT_EQ(dialog.HoveredButton(), B::None);
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(PopupFrameTest, ButtonsAndKeysEndTheDialog) {
    struct Case {
        const char* name;
        std::function<void(PopupFrame&)> act;
        int result;
        int okCalls;
    };
    auto press = [](Qt::MouseButton button, QPoint at) {
        return [button, at](PopupFrame& d) { QTest::mouseClick(&d, button, {}, at); };
    };
    auto key = [](Qt::Key k) { return [k](PopupFrame& d) { QTest::keyClick(&d, k); }; };
    const Case cases[] = {
        {"OK", press(Qt::LeftButton, PopupFrame::kOkRect.center()), QDialog::Accepted, 1},
        {"OK at the shared column", press(Qt::LeftButton, QPoint(270, 260)), QDialog::Accepted, 1},
        {"Cancel", press(Qt::LeftButton, PopupFrame::kCancelRect.center()), QDialog::Rejected, 0},
        {"close", press(Qt::LeftButton, PopupFrame::kCloseRect.center()), QDialog::Rejected, 0},
        {"Enter", key(Qt::Key_Return), QDialog::Accepted, 1},
        {"Escape", key(Qt::Key_Escape), QDialog::Rejected, 0},
        {"right press on OK", press(Qt::RightButton, PopupFrame::kOkRect.center()),
         QDialog::Rejected, 0},
        {"background", press(Qt::LeftButton, QPoint(300, 150)), QDialog::Rejected, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestPopup dialog(Context(), kSingleKeyPopup);
        bool openDuring = false;
        PopupFrame::SetAutoAnswer([&](PopupFrame& d) {
            openDuring = d.isVisible();
            c.act(d);
        });
        EXPECT_EQ(dialog.exec(), c.result);
        EXPECT_TRUE(openDuring);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.okCalls, c.okCalls);
    }
}

TEST_F(PopupFrameTest, OkThatTheDialogRefusesKeepsItOpen) {
    TestPopup dialog(Context(), kSingleKeyPopup);
    PopupFrame::SetAutoAnswer([](PopupFrame& d) {
        auto& popup = static_cast<TestPopup&>(d);
        popup.allowOk = false;
        QTest::mouseClick(&d, Qt::LeftButton, {}, PopupFrame::kOkRect.center());
        EXPECT_TRUE(d.isVisible());
        popup.allowOk = true;
        QTest::mouseClick(&d, Qt::LeftButton, {}, PopupFrame::kOkRect.center());
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.okCalls, 2);
}

TEST_F(PopupFrameTest, PresetAnswersEndTheDialogWithoutAModalLoop) {
    PopupFrame::SetAutoAnswer(QDialog::Accepted);
    TestPopup accepted(Context(), kSingleKeyPopup);
    EXPECT_EQ(accepted.exec(), QDialog::Accepted);
    EXPECT_EQ(accepted.okCalls, 1) << "a preset OK goes through the dialog's OK check";

    TestPopup refused(Context(), kSingleKeyPopup);
    refused.allowOk = false;
    EXPECT_EQ(refused.exec(), QDialog::Rejected) << "a refused OK leaves it open, which ends it";

    PopupFrame::SetAutoAnswer(QDialog::Rejected);
    TestPopup cancelled(Context(), kSingleKeyPopup);
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_EQ(cancelled.okCalls, 0);
}

TEST_F(PopupFrameTest, MissingBackgroundShowsErrorAndEndsWithoutShowing) {
    PopupFrame::SetAutoAnswer(QDialog::Accepted);
    for (const PopupKind& kind : {kMacroPopup, kSkinsPopup}) {
        sink_.messages.clear();
        TestPopup dialog(Context(), kind);
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        ASSERT_EQ(sink_.messages.size(), 1u);
        EXPECT_EQ(sink_.messages[0].text,
                  "error\n" + settings_.SkinFile(kind.backgroundFile).toStdString());
        EXPECT_EQ(sink_.messages[0].caption, std::string(kind.loadFailureCaption));
        EXPECT_EQ(dialog.size(), QSize(0, 0));
        EXPECT_EQ(dialog.contentCreated, 0);
        EXPECT_EQ(dialog.okCalls, 0);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.Initialise()) << "a second try gives the same answer quietly";
        EXPECT_EQ(sink_.messages.size(), 1u);
    }
    // A skin name that leaves the Skins folder finds no background either.
    settings_.skinName = "../Skins/Test";
    TestPopup escaping(Context(), kSingleKeyPopup);
    EXPECT_EQ(escaping.exec(), QDialog::Rejected);
}

TEST_F(PopupFrameTest, MissingElementIsNamedOnceNotAtEveryHover) {
    fs::remove(dir_ / "Skins" / "Test" / "button-over.png");
    TestPopup dialog(Context(), kSingleKeyPopup);
    ASSERT_TRUE(dialog.Initialise());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_TRUE(sink_.messages.empty());

    QTest::mouseMove(&dialog, PopupFrame::kOkRect.center());
    ASSERT_EQ(sink_.messages.size(), 1u);
    // The path as the system writes it (backslashes on Windows).
    EXPECT_EQ(sink_.messages[0].text,
              std::string(kLoadImageFailed) + "\n" +
                  QDir::toNativeSeparators(settings_.SkinFile("/button-over.png")).toStdString());
    EXPECT_EQ(sink_.messages[0].caption, kProgramName);
    EXPECT_EQ(At(dialog, OkProbe()), kNormal) << "nothing drawn in its place";
    QTest::mouseMove(&dialog, QPoint(200, 100));
    QTest::mouseMove(&dialog, PopupFrame::kCancelRect.center());
    QTest::mouseMove(&dialog, QPoint(200, 100));
    QTest::mouseMove(&dialog, PopupFrame::kOkRect.center());
    EXPECT_EQ(sink_.messages.size(), 1u) << "the same file is not named again";

    // Another missing file is named in its turn, also once.
    fs::remove(dir_ / "Skins" / "Test" / "button-normal.png");
    sink_.messages.clear();
    dialog.hide();
    dialog.show();
    QTest::mouseMove(&dialog, QPoint(200, 100));
    dialog.hide();
    dialog.show();
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_NE(sink_.messages[0].text.find("button-normal.png"), std::string::npos);
}

TEST_F(PopupFrameTest, WheelOverTheDialogScrollsItsListThreeLinesPerNotch) {
    TestPopup dialog(Context(), kSingleKeyPopup);
    ASSERT_TRUE(dialog.Initialise());
    dialog.show();
    QScrollBar* bar = dialog.list->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 6);
    auto turn = [&](int delta) {
        const QPointF at(300, 150);  // over the dialog, not over the list
        QWheelEvent wheel(at, dialog.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&dialog, &wheel);
    };
    turn(-120);
    EXPECT_EQ(bar->value(), 3);
    turn(-240);
    EXPECT_EQ(bar->value(), 9);
    turn(60);  // half a notch: nothing yet
    EXPECT_EQ(bar->value(), 9);
    turn(60);
    EXPECT_EQ(bar->value(), 6);
}

TEST_F(PopupFrameTest, OpenListFollowsThePointerWithoutChoosing) {
    TestPopup dialog(Context(), kSingleKeyPopup);
    ASSERT_TRUE(dialog.Initialise());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QListWidget& list = *dialog.list;
    SelectEntryUnderPointer(list);
    int choices = 0;
    QObject::connect(&list, &QListWidget::currentRowChanged, [&] { ++choices; });
    QObject::connect(&list, &QListWidget::itemClicked, [&] { ++choices; });

    QTest::mouseMove(list.viewport(), list.visualItemRect(list.item(2)).center());
    EXPECT_EQ(list.currentRow(), 2);
    QTest::mouseMove(list.viewport(), list.visualItemRect(list.item(4)).center());
    EXPECT_EQ(list.currentRow(), 4);
    EXPECT_EQ(choices, 0) << "moving over the list selects, it does not choose";
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(4)).center());
    EXPECT_GE(choices, 1);
}

TEST_F(PopupFrameTest, DialogMovesOnlyWhenTheOwnerAllowsDragging) {
    TestPopup dialog(Context(), kSingleKeyPopup);
    ASSERT_TRUE(dialog.Initialise());
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto dragBy = [&](QPoint delta) {
        const QPoint start(300, 150);
        QTest::mousePress(&dialog, Qt::LeftButton, {}, start);
        QTest::mouseMove(&dialog, start + delta);
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, start + delta);
    };
    const QPoint before = dialog.pos();
    dragBy(QPoint(30, 20));
    EXPECT_EQ(dialog.pos(), before);
    EXPECT_TRUE(dialog.isVisible());

    dialog.SetDraggable(true);
    dragBy(QPoint(30, 20));
    EXPECT_EQ(dialog.pos(), before + QPoint(30, 20));
    EXPECT_EQ(dialog.HoveredButton(), PopupFrame::FrameButton::None);
}

// ---- Message boxes ----------------------------------------------------------------

// The caption is the box's window title as it stands ("Warning", a pop-up's
// load failure text); the program's name stands in only where none is named.
// Qt's window title adds the program's display name by itself where the desktop
// draws a title bar, so nothing here puts it in front of a caption.
TEST(MessageBoxSinkTest, CaptionIsTheTitleAndTheBoxHasOneOkButton) {
    struct Seen {
        QString title;
        QString text;
        int buttons = 0;
        bool ok = false;
    };
    const auto show = [](const std::string& text, const std::string& caption) {
        Seen seen;
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.buttons = static_cast<int>(box->buttons().size());
            seen.ok = box->button(QMessageBox::Ok) != nullptr;
            box->accept();
        });
        MessageBoxSink sink;
        sink.ShowMessage(text, caption);
        return seen;
    };
    const Seen warning = show("Macro numbers up to 12.", "Warning");
    EXPECT_EQ(warning.title, QStringLiteral("Warning"));
    EXPECT_EQ(warning.text, QStringLiteral("Macro numbers up to 12."));
    EXPECT_EQ(warning.buttons, 1);
    EXPECT_TRUE(warning.ok);

    const Seen unnamed = show("Config file is not exist.", "");
    EXPECT_EQ(unnamed.title, QString::fromUtf8(kProgramName));
    EXPECT_EQ(unnamed.text, QStringLiteral("Config file is not exist."));

    const Seen popup = show("error", "Skins Dialog Load background image failed!!!");
    EXPECT_EQ(popup.title, QStringLiteral("Skins Dialog Load background image failed!!!"));
}

// ---- Child-control colours ---------------------------------------------------------

// The lighting fields and edits are black: the skin's text colour is kept
// where it reads there, and a dark one gives way to white, so that a home
// without colours (black text) does not show black on black.
TEST(ControlColoursTest, FieldsOnBlackKeepTheirTextReadable) {
    const QFont font;
    const auto text = [&](MainControl kind, const QColor& skinText) {
        QLabel field;
        ColourMainControl(field, kind, skinText, font);
        return field.palette().color(QPalette::Active, QPalette::WindowText);
    };
    for (const MainControl kind : {MainControl::DarkStatic, MainControl::Edit}) {
        EXPECT_EQ(text(kind, QColor(0, 0, 0)), QColor(Qt::white));
        EXPECT_EQ(text(kind, QColor(20, 20, 60)), QColor(Qt::white));
        EXPECT_EQ(text(kind, QColor(255, 0, 0)), QColor(255, 0, 0)) << "a colour that reads stays";
        EXPECT_EQ(text(kind, QColor(230, 232, 236)), QColor(230, 232, 236));
    }
    // Ordinary statics keep the skin's colour on their own green.
    EXPECT_EQ(text(MainControl::Static, QColor(0, 0, 0)), QColor(0, 0, 0));
}

}  // namespace
}  // namespace ornyx::skin
