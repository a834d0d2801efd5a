// The skins the build lays out beside the programs: every file the windows
// load is there and decodes as a PNG, each image fits the place the windows
// draw it at, and the two images of each element can be told apart and drawn
// over each other without leaving traces.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "layout/WindowLayout.h"
#include "session/Defaults.h"

namespace ornyx::layout {
namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QStringList SkinNames() {
    return QDir(QStringLiteral(ORNYX_SKINS_DIR))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QString SkinFile(const QString& skin, std::string_view file) {
    return QStringLiteral(ORNYX_SKINS_DIR) + u'/' + skin + Q(file);
}

// Straight ARGB32 pixels of a PNG file; a null image when the file is missing,
// is not a PNG or does not decode.
QImage LoadPng(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (reader.format() != "png") return {};
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// Runs `check(skin)` for every skin folder, each under its own trace.
template <typename Check>
void ForEachSkin(Check&& check) {
    for (const QString& skin : SkinNames()) {
        SCOPED_TRACE("skin " + skin.toStdString());
        check(skin);
    }
}

TEST(SkinCompletenessTest, TheBuildLaysOutSeveralSkinsIncludingTheDefault) {
    const QStringList skins = SkinNames();
    EXPECT_GE(skins.size(), 2) << "skins folder: " << ORNYX_SKINS_DIR;
    // A fresh str.ini names this skin; without it the window would be 0 × 0.
    EXPECT_TRUE(skins.contains(Q(session::kDefaultSkinName)));
}

TEST(SkinCompletenessTest, EverySkinHoldsEveryFileAsADecodablePng) {
    std::vector<std::string_view> files;
    for (const Background& bg : kBackgrounds) files.push_back(bg.file);
    for (const ElementImages& images : kElements) {
        files.push_back(images.rest);
        files.push_back(images.active);
    }
    ASSERT_EQ(files.size(), kSkinFileCount);
    ForEachSkin([&](const QString& skin) {
        std::string unusable;
        for (std::string_view file : files)
            if (LoadPng(SkinFile(skin, file)).isNull()) unusable += " " + std::string(file);
        EXPECT_EQ(unusable, "") << "missing or not a PNG";
    });
}

TEST(SkinCompletenessTest, EveryFileHasAnImageOfTwiceItsSizeForScaledScreens) {
    std::vector<std::string_view> files;
    for (const Background& bg : kBackgrounds) files.push_back(bg.file);
    for (const ElementImages& images : kElements) {
        files.push_back(images.rest);
        files.push_back(images.active);
    }
    ForEachSkin([&](const QString& skin) {
        std::string wrong;
        for (std::string_view file : files) {
            const QImage one = LoadPng(SkinFile(skin, file));
            QString twice = SkinFile(skin, file);
            twice.insert(twice.size() - 4, QStringLiteral("@2x"));
            const QImage two = LoadPng(twice);
            if (one.isNull()) continue;  // reported above
            if (two.isNull() || two.size() != one.size() * 2 ||
                two.hasAlphaChannel() != one.hasAlphaChannel())
                wrong += " " + std::string(file);
        }
        EXPECT_EQ(wrong, "") << "no @2x twin of twice the size and the same kind";
    });
}

std::string Str(const Rect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

std::string Str(const QSize& s) {
    return std::to_string(s.width()) + " x " + std::to_string(s.height());
}

// Problems of one kind, listed once and in short: empty when there are none.
struct Problems {
    int count = 0;
    std::string text;
    void Add(const std::string& problem) {
        if (++count <= 5) text += (text.empty() ? "" : "; ") + problem;
    }
    std::string Report() const {
        return count <= 5 ? text : text + "; and " + std::to_string(count - 5) + " more";
    }
};

TEST(SkinCompletenessTest, EveryImageFitsWhereTheWindowsDrawIt) {
    ForEachSkin([](const QString& skin) {
        for (const Background& bg : kBackgrounds) {
            SCOPED_TRACE(std::string(bg.file));
            const QImage background = LoadPng(SkinFile(skin, bg.file));
            if (background.isNull()) continue;  // reported by the test above
            // The window takes the background's size: every control, text and
            // element must lie inside it, or part of it is cut off.
            const int width = background.width();
            const int height = background.height();
            Problems outside;
            for (const Rect& r : bg.controls)
                if (!r.Inside(width, height)) outside.Add(Str(r));
            for (const Placement& place : bg.elements)
                if (!place.rect.Inside(width, height)) outside.Add(Str(place.rect));
            EXPECT_EQ(outside.Report(), "")
                << "outside the " << Str(background.size()) << " background";

            // Drawn at natural size from the rectangle's corner: a larger image
            // would spill over its neighbours.
            Problems tooLarge;
            for (const ElementImages& images : kElements) {
                for (std::string_view file : {images.rest, images.active}) {
                    const QImage element = LoadPng(SkinFile(skin, file));
                    if (element.isNull()) continue;
                    for (const Placement& place : bg.elements) {
                        if (place.element != images.element) continue;
                        if (element.width() > place.rect.Width() ||
                            element.height() > place.rect.Height()) {
                            tooLarge.Add(std::string(file) + " " + Str(element.size()) + " at " +
                                         Str(place.rect));
                            break;  // one place is enough to tell
                        }
                    }
                }
            }
            EXPECT_EQ(tooLarge.Report(), "");
        }
        // Both pages share the window, whose size comes from the Basic page.
        const QImage basic = LoadPng(SkinFile(skin, "/BasicSet2.png"));
        const QImage advanced = LoadPng(SkinFile(skin, "/AdvancedSet2.png"));
        EXPECT_EQ(Str(basic.size()), Str(advanced.size()));
        EXPECT_TRUE(kMainElementArea.Inside(basic.width(), basic.height())) << Str(basic.size());
    });
}

TEST(SkinCompletenessTest, BackgroundsAreOpaque) {
    // The window shows a background's colours and ignores its alpha, so any
    // transparency would show as an unintended colour.
    ForEachSkin([](const QString& skin) {
        for (const Background& bg : kBackgrounds) {
            const QImage image = LoadPng(SkinFile(skin, bg.file));
            if (image.isNull()) continue;
            int transparent = 0;
            for (int y = 0; y < image.height(); ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                transparent += static_cast<int>(std::count_if(
                    row, row + image.width(), [](QRgb px) { return qAlpha(px) != 255; }));
            }
            EXPECT_EQ(transparent, 0) << std::string(bg.file);
        }
    });
}

TEST(SkinCompletenessTest, TheTwoImagesOfAnElementAreDistinctAndRedrawWithoutTraces) {
    ForEachSkin([](const QString& skin) {
        for (const ElementImages& images : kElements) {
            SCOPED_TRACE(std::string(images.rest) + " / " + std::string(images.active));
            const QImage rest = LoadPng(SkinFile(skin, images.rest));
            const QImage active = LoadPng(SkinFile(skin, images.active));
            if (rest.isNull() || active.isNull()) continue;
            // Drawn one over the other at the same place.
            if (rest.size() != active.size()) {
                ADD_FAILURE() << "sizes differ: " << Str(rest.size()) << " and "
                              << Str(active.size());
                continue;
            }
            // Rounded corners and the gaps between cells need the alpha channel.
            EXPECT_TRUE(rest.hasAlphaChannel() && active.hasAlphaChannel());

            // The windows draw one image over the other in place and blend by
            // alpha. Only fully opaque and fully transparent pixels leave the
            // page exactly as it was when the pointer comes and goes; a
            // half-transparent one would keep a trace of the state that is gone.
            int halfTransparent = 0;
            int outlineMismatches = 0;
            // Under the pointer, lit or ticked must be plain to see: a good
            // share of the pixels changes clearly.
            int clearlyChanged = 0;
            int visible = 0;
            for (int y = 0; y < rest.height(); ++y) {
                for (int x = 0; x < rest.width(); ++x) {
                    const QRgb a = rest.pixel(x, y);
                    const QRgb b = active.pixel(x, y);
                    for (QRgb px : {a, b})
                        if (qAlpha(px) != 0 && qAlpha(px) != 255) ++halfTransparent;
                    if ((qAlpha(a) == 0) != (qAlpha(b) == 0)) ++outlineMismatches;
                    if (qAlpha(a) == 0 && qAlpha(b) == 0) continue;
                    ++visible;
                    const int change =
                        std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
                    if (change >= 40) ++clearlyChanged;
                }
            }
            EXPECT_EQ(halfTransparent, 0);
            EXPECT_EQ(outlineMismatches, 0) << "pixels transparent in one image only";
            EXPECT_GE(clearlyChanged * 10, visible)
                << "only " << clearlyChanged << " of " << visible << " pixels change clearly";
        }
    });
}

// Contrast of two colours as the web's accessibility guidelines measure it:
// 1 (none) to 21 (black on white); 4.5 is the least for normal text.
double Luminance(QRgb c) {
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The mean colour of the opaque pixels of `image` within `r`.
QRgb MeanColour(const QImage& image, const Rect& r) {
    long red = 0, green = 0, blue = 0, n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, image.height()); ++y) {
        for (int x = std::max(r.left, 0); x < std::min(r.right, image.width()); ++x) {
            const QRgb px = image.pixel(x, y);
            if (qAlpha(px) != 255) continue;
            red += qRed(px);
            green += qGreen(px);
            blue += qBlue(px);
            ++n;
        }
    }
    if (n == 0) return qRgb(0, 0, 0);
    return qRgb(static_cast<int>(red / n), static_cast<int>(green / n), static_cast<int>(blue / n));
}

TEST(SkinCompletenessTest, CaptionsInTheDefaultTextColourAreReadable) {
    // Captions are drawn over the art in the text colour of a fresh install
    // (the pop-ups draw theirs white, which is lighter still).
    const QRgb text =
        qRgb(session::kDefaultTextRed, session::kDefaultTextGreen, session::kDefaultTextBlue);
    ForEachSkin([&](const QString& skin) {
        Problems faint;
        for (const Background& bg : kBackgrounds) {
            const QImage background = LoadPng(SkinFile(skin, bg.file));
            if (background.isNull()) continue;
            for (const Rect& r : bg.controls) {
                const double contrast = Contrast(text, MeanColour(background, r));
                if (contrast < 4.5)
                    faint.Add(std::string(bg.file) + " " + Str(r) + ": " +
                              std::to_string(contrast));
            }
        }
        // The elements that carry a caption or a label, in both states.
        for (Element e : {Element::TextButton, Element::DropdownBox}) {
            const ElementImages& images = Images(e);
            for (std::string_view file : {images.rest, images.active}) {
                const QImage image = LoadPng(SkinFile(skin, file));
                if (image.isNull()) continue;
                const double contrast =
                    Contrast(text, MeanColour(image, {0, 0, image.width(), image.height()}));
                if (contrast < 4.5) faint.Add(std::string(file) + ": " + std::to_string(contrast));
            }
        }
        EXPECT_EQ(faint.Report(), "") << "too little contrast for text";
    });
}

TEST(SkinCompletenessTest, NeighboursThatOverlapAgreeOnTheSharedPixels) {
    // Rows of text buttons share a column, owned by whichever was drawn last;
    // hovering one button must not change how its neighbour looks.
    ForEachSkin([](const QString& skin) {
        for (const Background& bg : kBackgrounds) {
            SCOPED_TRACE(std::string(bg.file));
            Problems disagree;
            int overlaps = 0;
            for (std::size_t i = 0; i < bg.elements.size(); ++i) {
                for (std::size_t j = i + 1; j < bg.elements.size(); ++j) {
                    const Placement& p = bg.elements[i];
                    const Placement& q = bg.elements[j];
                    const int left = std::max(p.rect.left, q.rect.left);
                    const int right = std::min(p.rect.right, q.rect.right);
                    const int top = std::max(p.rect.top, q.rect.top);
                    const int bottom = std::min(p.rect.bottom, q.rect.bottom);
                    if (left >= right || top >= bottom) continue;
                    ++overlaps;
                    const ElementImages& a = Images(p.element);
                    const ElementImages& b = Images(q.element);
                    for (std::string_view fileA : {a.rest, a.active}) {
                        for (std::string_view fileB : {b.rest, b.active}) {
                            const QImage imageA = LoadPng(SkinFile(skin, fileA));
                            const QImage imageB = LoadPng(SkinFile(skin, fileB));
                            if (imageA.isNull() || imageB.isNull()) continue;
                            bool same = true;
                            for (int y = top; y < bottom && same; ++y)
                                for (int x = left; x < right && same; ++x)
                                    same = imageA.pixel(x - p.rect.left, y - p.rect.top) ==
                                           imageB.pixel(x - q.rect.left, y - q.rect.top);
                            if (!same)
                                disagree.Add(std::string(fileA) + " at " + Str(p.rect) + " and " +
                                             std::string(fileB) + " at " + Str(q.rect));
                        }
                    }
                }
            }
            EXPECT_EQ(disagree.Report(), "");
            // The main pages have their rows of buttons; each pop-up its OK and Cancel.
            EXPECT_GT(overlaps, 0);
        }
    });
}

}  // namespace
}  // namespace ornyx::layout
