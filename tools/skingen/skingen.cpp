// skingen: paints the program's skins from code.
//
//   skingen [--preview DIR] OUTPUT_DIR...
//
// Writes every image of every skin into OUTPUT_DIR/<skin name>/ for each
// OUTPUT_DIR given, once at natural size and once at twice the size for
// screens of device pixel ratio 2, named as Qt looks them up ("/x@2x.png"). With --preview it also
// writes, per skin, each background with its element images placed at their rectangles, in a mix of
// rest and active states, to look the artwork over as the windows will show it.
//
// Sizes and positions come from layout/WindowLayout.h only; this file decides the look.
#include <QConicalGradient>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <spng.h>

#include "layout/WindowLayout.h"

namespace {

using namespace ornyx::layout;

constexpr double kPi = std::numbers::pi;

// ---- Palettes -------------------------------------------------------------------------

struct Palette {
    const char* name;
    QColor accent;     // borders of active things, lit cells, the header line
    QColor accentHot;  // highlights on lit cells and on icons under the pointer
    QColor baseTop;    // page background, top of its gradient
    QColor base;       // page background, bottom; header and footer strips
    QColor panelTop;   // cards, top of their gradient
    QColor panel;      // cards, bottom
    QColor raised;     // buttons at rest
    QColor line;       // neutral borders
    QColor ink;        // icons at rest
    QColor well;       // sunken fields
    QColor rim;        // the outermost ring of every element image
    QColor danger;     // the close button under the pointer
};

const std::array<Palette, 2> kPalettes = {{
    {"Obsidian", QColor(0x00, 0xc8, 0xd2), QColor(0x7c, 0xf4, 0xf8), QColor(0x1a, 0x1e, 0x23),
     QColor(0x0b, 0x0d, 0x10), QColor(0x1d, 0x22, 0x28), QColor(0x15, 0x19, 0x1e),
     QColor(0x2a, 0x30, 0x37), QColor(0x37, 0x40, 0x4a), QColor(0xa9, 0xb3, 0xbe),
     QColor(0x09, 0x0b, 0x0d), QColor(0x05, 0x06, 0x08), QColor(0xd2, 0x3c, 0x46)},
    {"Crimson", QColor(0xe0, 0x32, 0x3f), QColor(0xff, 0x8a, 0x90), QColor(0x1f, 0x17, 0x19),
     QColor(0x0d, 0x09, 0x0a), QColor(0x23, 0x19, 0x1c), QColor(0x19, 0x12, 0x14),
     QColor(0x33, 0x27, 0x2a), QColor(0x45, 0x34, 0x38), QColor(0xc4, 0xb2, 0xb5),
     QColor(0x0c, 0x08, 0x09), QColor(0x07, 0x04, 0x05), QColor(0xff, 0x42, 0x4e)},
}};

QColor Mix(const QColor& a, const QColor& b, double t) {
    const auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()),
                  mix(a.alpha(), b.alpha()));
}

QColor WithAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QRectF F(const Rect& r) {
    return QRectF(r.left, r.top, r.Width(), r.Height());
}

QPainterPath RoundedPath(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QFont DigitFont(int pixelSize) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Device pixels per skin pixel of the skin being painted: 1, or 2 for the @2x
// files. Every image is made at this scale with its device pixel ratio set, so
// the painting code works in skin pixels and comes out sharp at either scale.
int gScale = 1;

QImage Canvas(int width, int height) {
    QImage image(width * gScale, height * gScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(gScale);
    return image;
}

QImage Blank(int width, int height) {
    QImage image = Canvas(width, height);
    image.fill(Qt::transparent);
    return image;
}

// ---- Icons ----------------------------------------------------------------------------
// Each draws into `r` (device pixels) with `colour`; strokes are sized for the
// small title-bar buttons and scale with the rectangle.

void Stroke(QPainter& p, const QColor& colour, double width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

void IconClose(QPainter& p, const QRectF& r, const QColor& c) {
    Stroke(p, c, 1.6);
    const QRectF g = r.adjusted(5.5, 5.5, -5.5, -5.5);
    p.drawLine(g.topLeft(), g.bottomRight());
    p.drawLine(g.topRight(), g.bottomLeft());
}

void IconMinimise(QPainter& p, const QRectF& r, const QColor& c) {
    Stroke(p, c, 1.6);
    const double y = r.center().y() + 2.5;
    p.drawLine(QPointF(r.left() + 5.5, y), QPointF(r.right() - 5.5, y));
}

// A painter's palette: a round board with a thumb hole and four paints.
void IconPalette(QPainter& p, const QRectF& r, const QColor& c, const QColor& hole, bool vivid) {
    const QRectF g =
        r.adjusted(r.width() * 0.17, r.height() * 0.2, -r.width() * 0.17, -r.height() * 0.2);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(g);
    p.setBrush(hole);
    const double t = g.width() * 0.22;
    p.drawEllipse(QPointF(g.left() + g.width() * 0.68, g.top() + g.height() * 0.7), t / 2, t / 2);
    const std::array<QColor, 4> paint = {QColor(0xff, 0x4c, 0x4c), QColor(0xff, 0xc4, 0x2e),
                                         QColor(0x3c, 0xd0, 0x5a), QColor(0x30, 0x8c, 0xff)};
    const std::array<QPointF, 4> at = {QPointF(0.27, 0.45), QPointF(0.45, 0.26),
                                       QPointF(0.69, 0.31), QPointF(0.36, 0.72)};
    const double dot = std::max(2.6, g.width() * 0.22);
    for (std::size_t i = 0; i < paint.size(); ++i) {
        p.setBrush(vivid ? paint[i] : Mix(paint[i], hole, 0.35));
        const QPointF centre(g.left() + g.width() * at[i].x(), g.top() + g.height() * at[i].y());
        p.drawEllipse(centre, dot / 2, dot / 2);
    }
}

// A mouse seen from above: the Basic page (buttons, DPI, report rate).
void IconMouse(QPainter& p, const QRectF& r, const QColor& c, double width) {
    const QRectF body(r.center().x() - r.width() * 0.2, r.top() + r.height() * 0.18,
                      r.width() * 0.4, r.height() * 0.64);
    Stroke(p, c, width);
    p.drawRoundedRect(body, body.width() / 2, body.width() / 2);
    const double split = body.top() + body.height() * 0.42;
    p.drawLine(QPointF(body.left() + 1, split), QPointF(body.right() - 1, split));
    p.drawLine(QPointF(body.center().x(), body.top()), QPointF(body.center().x(), split));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(body.center().x() - 1.6, body.top() + body.height() * 0.14, 3.2,
                             body.height() * 0.17),
                      1.6, 1.6);
}

// A gear: the Advanced page.
void IconGear(QPainter& p, const QRectF& r, const QColor& c, double width) {
    const QPointF o = r.center();
    const double outer = r.width() * 0.30;
    const double inner = r.width() * 0.22;
    const int teeth = 8;
    QPainterPath gear;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = (i / static_cast<double>(teeth * 4)) * 2 * kPi - kPi / 2;
        const double radius = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
        const QPointF pt(o.x() + radius * std::cos(a), o.y() + radius * std::sin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    Stroke(p, c, width);
    p.drawPath(gear);
    p.drawEllipse(o, r.width() * 0.09, r.width() * 0.09);
}

void Chevron(QPainter& p, const QPointF& centre, double halfWidth, const QColor& c, double width) {
    Stroke(p, c, width);
    QPainterPath path;
    path.moveTo(centre + QPointF(-halfWidth, -halfWidth / 2));
    path.lineTo(centre + QPointF(0, halfWidth / 2));
    path.lineTo(centre + QPointF(halfWidth, -halfWidth / 2));
    p.drawPath(path);
}

// ---- Element images -------------------------------------------------------------------

// The windows draw an element over whatever the page holds, and its other
// state over it again when the pointer comes and goes. Only pixels that are
// fully opaque or fully transparent come back exactly as they were; a
// half-transparent one would blend the old state in, a bit more at every
// hover. So the soft edge of each shape is blended here, over the background
// it lands on (`surface`), and made opaque, the same in both states; the
// faintest edge pixels are dropped.
void SettleEdges(QImage& rest, QImage& active, const QColor& rim, const QImage& surface) {
    constexpr int kFaintest = 40;
    for (int y = 0; y < rest.height(); ++y) {
        auto* a = reinterpret_cast<QRgb*>(rest.scanLine(y));
        auto* b = reinterpret_cast<QRgb*>(active.scanLine(y));
        const auto* under = reinterpret_cast<const QRgb*>(surface.constScanLine(y));
        for (int x = 0; x < rest.width(); ++x) {
            const int alpha = std::min(qAlpha(a[x]), qAlpha(b[x]));
            if (alpha == 255) continue;
            if (alpha <= kFaintest) {
                a[x] = b[x] = 0;
                continue;
            }
            const auto blend = [alpha](int top, int bottom) {
                return (top * alpha + bottom * (255 - alpha) + 127) / 255;
            };
            a[x] = b[x] =
                qRgb(blend(rim.red(), qRed(under[x])), blend(rim.green(), qGreen(under[x])),
                     blend(rim.blue(), qBlue(under[x])));
        }
    }
}

// What lies under an element: the mean of the backgrounds at every place the
// windows draw it.
QImage Surface(const ElementImages& images, const std::map<std::string_view, QImage>& backgrounds,
               const QColor& fallback) {
    // Device pixels: the elements and backgrounds are painted at the same scale.
    const int w = images.size.width * gScale;
    const int h = images.size.height * gScale;
    std::vector<std::array<long, 3>> sum(static_cast<std::size_t>(w * h), {0, 0, 0});
    long places = 0;
    for (const Background& bg : kBackgrounds) {
        const QImage& page = backgrounds.at(bg.file);
        for (const Placement& place : bg.elements) {
            if (place.element != images.element) continue;
            ++places;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const QRgb px =
                        page.pixel(place.rect.left * gScale + x, place.rect.top * gScale + y);
                    auto& s = sum[static_cast<std::size_t>(y * w + x)];
                    s[0] += qRed(px);
                    s[1] += qGreen(px);
                    s[2] += qBlue(px);
                }
            }
        }
    }
    QImage surface(w, h, QImage::Format_ARGB32);
    surface.setDevicePixelRatio(gScale);
    surface.fill(fallback);
    if (places == 0) return surface;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto& s = sum[static_cast<std::size_t>(y * w + x)];
            surface.setPixel(x, y,
                             qRgb(static_cast<int>(s[0] / places), static_cast<int>(s[1] / places),
                                  static_cast<int>(s[2] / places)));
        }
    }
    return surface;
}

struct ElementPair {
    QImage rest;
    QImage active;
};

// The common body of a raised element: the ring, then everything else clipped
// inside it so that only the ring touches the transparent outside.
template <typename Body>
QImage Raised(const Size& size, double radius, const Palette& pal, Body&& body) {
    QImage image = Blank(size.width, size.height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(0, 0, size.width, size.height);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.rim);
    p.drawRoundedRect(outer, radius, radius);
    const QRectF inner = outer.adjusted(1, 1, -1, -1);
    p.setClipPath(RoundedPath(inner, std::max(0.0, radius - 1)));
    body(p, inner);
    return image;
}

// A raised face: border ring, gradient fill, a faint top highlight.
void Face(QPainter& p, const QRectF& r, const QColor& border, const QColor& top,
          const QColor& bottom, const QColor& highlight) {
    p.fillRect(r, border);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    const QRectF face = r.adjusted(1, 1, -1, -1);
    p.fillRect(face, fill);
    p.fillRect(QRectF(face.left(), face.top(), face.width(), 1), highlight);
}

ElementPair TextButton(const Size& s, const Palette& pal) {
    ElementPair out;
    out.rest = Raised(s, 4, pal, [&](QPainter& p, const QRectF& r) {
        Face(p, r, pal.line, pal.raised.lighter(112), Mix(pal.raised, pal.base, 0.45),
             QColor(255, 255, 255, 26));
    });
    out.active = Raised(s, 4, pal, [&](QPainter& p, const QRectF& r) {
        Face(p, r, pal.accent, Mix(pal.raised, pal.accent, 0.42), Mix(pal.base, pal.accent, 0.22),
             WithAlpha(pal.accentHot, 120));
        // A glow rising from the bottom edge.
        QLinearGradient glow(r.bottomLeft(), r.topLeft());
        glow.setColorAt(0, WithAlpha(pal.accent, 90));
        glow.setColorAt(0.5, WithAlpha(pal.accent, 0));
        p.fillRect(r.adjusted(1, 1, -1, -1), glow);
    });
    return out;
}

template <typename Glyph>
ElementPair TitleButton(const Size& s, const Palette& pal, const QColor& overFill, Glyph&& glyph) {
    ElementPair out;
    out.rest = Raised(s, 4, pal, [&](QPainter& p, const QRectF& r) {
        Face(p, r, pal.line, pal.raised, Mix(pal.raised, pal.base, 0.4), QColor(255, 255, 255, 20));
        p.setClipping(false);
        glyph(p, QRectF(0, 0, s.width, s.height), pal.ink, false);
    });
    out.active = Raised(s, 4, pal, [&](QPainter& p, const QRectF& r) {
        Face(p, r, overFill.lighter(125), overFill.lighter(115), overFill.darker(120),
             QColor(255, 255, 255, 60));
        p.setClipping(false);
        glyph(p, QRectF(0, 0, s.width, s.height), QColor(255, 255, 255), true);
    });
    return out;
}

template <typename Icon>
ElementPair PageButton(const Size& s, const Palette& pal, Icon&& icon) {
    ElementPair out;
    out.rest = Raised(s, 8, pal, [&](QPainter& p, const QRectF& r) {
        Face(p, r, pal.line, pal.raised.lighter(105), Mix(pal.panel, pal.base, 0.3),
             QColor(255, 255, 255, 22));
        icon(p, QRectF(0, 0, s.width, s.height), pal.ink, 1.8);
    });
    out.active = Raised(s, 8, pal, [&](QPainter& p, const QRectF& r) {
        Face(p, r, pal.accent, Mix(pal.raised, pal.accent, 0.30), Mix(pal.base, pal.accent, 0.18),
             WithAlpha(pal.accentHot, 110));
        QRadialGradient glow(r.center(), r.width() * 0.55);
        glow.setColorAt(0, WithAlpha(pal.accent, 70));
        glow.setColorAt(1, WithAlpha(pal.accent, 0));
        p.fillRect(r.adjusted(1, 1, -1, -1), glow);
        icon(p, QRectF(0, 0, s.width, s.height), pal.accentHot, 2.0);
    });
    return out;
}

ElementPair DropdownBox(const Size& s, const Palette& pal) {
    // The program writes the box's number in its first 20 pixels and the label
    // after them; the chevron takes the right end.
    const auto body = [&](QPainter& p, const QRectF& r, bool over) {
        const QColor border = over ? pal.accent : pal.line;
        p.fillRect(r, border);
        const QRectF face = r.adjusted(1, 1, -1, -1);
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, over ? Mix(pal.well, pal.accent, 0.10) : pal.well);
        fill.setColorAt(1, over ? Mix(pal.panel, pal.accent, 0.16) : Mix(pal.well, pal.panel, 0.6));
        p.fillRect(face, fill);
        p.fillRect(QRectF(face.left(), face.top(), face.width(), 1), QColor(0, 0, 0, 90));
        const QRectF number(face.left(), face.top(), 19, face.height());
        p.fillRect(number, over ? Mix(pal.raised, pal.accent, 0.45) : pal.raised);
        p.fillRect(QRectF(number.right(), face.top(), 1, face.height()), border);
        const double arrowLeft = s.width - 19.0;
        p.fillRect(QRectF(arrowLeft, face.top() + 3, 1, face.height() - 6), WithAlpha(border, 160));
        Chevron(p, QPointF(arrowLeft + 9.5, s.height / 2.0 + 0.5), 3.5,
                over ? pal.accentHot : pal.ink, 1.6);
    };
    ElementPair out;
    out.rest = Raised(s, 3, pal, [&](QPainter& p, const QRectF& r) { body(p, r, false); });
    out.active = Raised(s, 3, pal, [&](QPainter& p, const QRectF& r) { body(p, r, true); });
    return out;
}

// A slider cell: unlit, a dark sunken segment; lit, the accent with a shine.
// `gap` columns on the right stay transparent where cells touch each other.
ElementPair Cell(const Size& s, const Palette& pal, double radius, int gap) {
    const Size drawn{s.width - gap, s.height};
    const auto place = [&](const QImage& cell) {
        QImage image = Blank(s.width, s.height);
        QPainter p(&image);
        p.drawImage(0, 0, cell);
        return image;
    };
    ElementPair out;
    out.rest = place(Raised(drawn, radius, pal, [&](QPainter& p, const QRectF& r) {
        p.fillRect(r, Mix(pal.line, pal.well, 0.35));
        const QRectF face = r.adjusted(1, 1, -1, -1);
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, Mix(pal.well, pal.raised, 0.35));
        fill.setColorAt(1, Mix(pal.well, pal.raised, 0.75));
        p.fillRect(face, fill);
    }));
    out.active = place(Raised(drawn, radius, pal, [&](QPainter& p, const QRectF& r) {
        p.fillRect(r, pal.accent.darker(130));
        const QRectF face = r.adjusted(1, 1, -1, -1);
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, pal.accentHot);
        fill.setColorAt(0.45, pal.accent);
        fill.setColorAt(1, pal.accent.darker(135));
        p.fillRect(face, fill);
        p.fillRect(QRectF(face.left(), face.top(), face.width(), 1), QColor(255, 255, 255, 110));
    }));
    return out;
}

ElementPair CheckBox(const Size& s, const Palette& pal) {
    ElementPair out;
    out.rest = Raised(s, 3, pal, [&](QPainter& p, const QRectF& r) {
        p.fillRect(r, pal.line.lighter(125));
        const QRectF face = r.adjusted(1, 1, -1, -1);
        p.fillRect(face, pal.well);
        p.fillRect(QRectF(face.left(), face.top(), face.width(), 2), QColor(0, 0, 0, 110));
    });
    out.active = Raised(s, 3, pal, [&](QPainter& p, const QRectF& r) {
        p.fillRect(r, pal.accent.darker(120));
        const QRectF face = r.adjusted(1, 1, -1, -1);
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, pal.accentHot);
        fill.setColorAt(1, pal.accent);
        p.fillRect(face, fill);
        QPainterPath tick;
        tick.moveTo(s.width * 0.26, s.height * 0.52);
        tick.lineTo(s.width * 0.43, s.height * 0.69);
        tick.lineTo(s.width * 0.75, s.height * 0.32);
        Stroke(p, pal.base, 2.0);
        p.drawPath(tick);
    });
    return out;
}

ElementPair PaintElement(Element e, const Palette& pal) {
    const Size s = Images(e).size;
    switch (e) {
        case Element::TextButton:
            return TextButton(s, pal);
        case Element::CloseButton:
            return TitleButton(
                s, pal, pal.danger,
                [](QPainter& p, const QRectF& r, const QColor& c, bool) { IconClose(p, r, c); });
        case Element::MinimiseButton:
            return TitleButton(
                s, pal, Mix(pal.raised, pal.accent, 0.55),
                [](QPainter& p, const QRectF& r, const QColor& c, bool) { IconMinimise(p, r, c); });
        case Element::SkinsButton:
            return TitleButton(s, pal, Mix(pal.raised, pal.accent, 0.55),
                               [&pal](QPainter& p, const QRectF& r, const QColor& c, bool over) {
                                   IconPalette(
                                       p, r, c,
                                       over ? Mix(pal.raised, pal.accent, 0.55) : pal.raised, over);
                               });
        case Element::BasicPageButton:
            return PageButton(s, pal, [](QPainter& p, const QRectF& r, const QColor& c, double w) {
                IconMouse(p, r, c, w);
            });
        case Element::AdvancedPageButton:
            return PageButton(s, pal, [](QPainter& p, const QRectF& r, const QColor& c, double w) {
                IconGear(p, r, c, w);
            });
        case Element::DropdownBox:
            return DropdownBox(s, pal);
        case Element::ReportRateCell:
            return Cell(s, pal, 2.5, 0);
        case Element::DpiCell:
            return Cell(s, pal, 3, 0);
        case Element::PointerCell:
            return Cell(s, pal, 2.5, 2);
        case Element::CheckBox:
            return CheckBox(s, pal);
    }
    return {};
}

// ---- Backgrounds ----------------------------------------------------------------------

void Shadow(QPainter& p, const QRectF& r, double radius) {
    p.setPen(Qt::NoPen);
    for (int i = 6; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 14));
        p.drawRoundedRect(r.adjusted(-i + 1.0, -i + 3.0, i - 1.0, i + 1.0), radius + i, radius + i);
    }
}

void HorizontalGlowLine(QPainter& p, const QRectF& r, const QColor& c, int peak) {
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, WithAlpha(c, 0));
    g.setColorAt(0.2, WithAlpha(c, peak));
    g.setColorAt(0.8, WithAlpha(c, peak));
    g.setColorAt(1, WithAlpha(c, 0));
    p.fillRect(r, g);
}

void Card(QPainter& p, const QRectF& r, const Palette& pal) {
    const double radius = 8;
    Shadow(p, r, radius);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, pal.panelTop);
    fill.setColorAt(1, pal.panel);
    p.setBrush(fill);
    p.setPen(QPen(WithAlpha(pal.accent, 70), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    // The lit top edge: the accent catching the light from the upper left.
    QLinearGradient edge(r.topLeft(), r.topRight());
    edge.setColorAt(0, WithAlpha(pal.accent, 200));
    edge.setColorAt(0.45, WithAlpha(pal.accent, 60));
    edge.setColorAt(1, WithAlpha(pal.accent, 0));
    p.setPen(QPen(QBrush(edge), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(r.left() + radius, r.top() + 0.5),
               QPointF(r.right() - radius, r.top() + 0.5));
}

void Well(QPainter& p, const QRectF& r, const Palette& pal, double radius) {
    p.setPen(QPen(pal.line, 1));
    p.setBrush(pal.well);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.fillRect(QRectF(r.left() + 1, r.top() + 1, r.width() - 2, 1), QColor(0, 0, 0, 120));
}

void DropWell(QPainter& p, const QRectF& r, const Palette& pal) {
    Well(p, r, pal, 2);
    const double arrowLeft = r.right() - 16;
    p.fillRect(QRectF(arrowLeft, r.top() + 3, 1, r.height() - 6), pal.line);
    Chevron(p, QPointF(arrowLeft + 8, r.center().y() + 0.5), 3.2, pal.ink, 1.5);
}

void Rail(QPainter& p, const QRectF& r, const Palette& pal) {
    p.setPen(QPen(Mix(pal.line, pal.panel, 0.5), 1));
    p.setBrush(Mix(pal.well, pal.panel, 0.3));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

void Badge(QPainter& p, const QRectF& r, const Palette& pal, const QString& digit) {
    p.setPen(QPen(pal.accent, 1.2));
    p.setBrush(Mix(pal.panel, pal.accent, 0.18));
    p.drawEllipse(r.adjusted(0.6, 0.6, -0.6, -0.6));
    p.setPen(pal.accentHot);
    p.setFont(DigitFont(static_cast<int>(r.height() * 0.68)));
    p.drawText(r, Qt::AlignCenter, digit);
}

// ---- Illustrations --------------------------------------------------------------------

// A soft line: a wide faint stroke under a sharp one.
void GlowPath(QPainter& p, const QPainterPath& path, const QColor& c, double width) {
    p.setBrush(Qt::NoBrush);
    for (double w : {width * 5, width * 3}) {
        Stroke(p, WithAlpha(c, 28), w);
        p.drawPath(path);
    }
    Stroke(p, c, width);
    p.drawPath(path);
}

void MouseMap(QPainter& p, const QRectF& r, const Palette& pal) {
    const double cx = r.center().x();
    const double top = r.top() + 56;
    const double bottom = r.bottom() - 44;
    const double half = 64;
    const double height = bottom - top;
    QPainterPath body;
    body.moveTo(cx, top);
    body.cubicTo(cx + half * 0.75, top, cx + half, top + height * 0.12, cx + half,
                 top + height * 0.33);
    body.cubicTo(cx + half, top + height * 0.55, cx + half * 0.98, top + height * 0.8,
                 cx + half * 0.7, top + height * 0.93);
    body.cubicTo(cx + half * 0.4, bottom + 4, cx - half * 0.4, bottom + 4, cx - half * 0.7,
                 top + height * 0.93);
    body.cubicTo(cx - half * 0.98, top + height * 0.8, cx - half, top + height * 0.55, cx - half,
                 top + height * 0.33);
    body.cubicTo(cx - half, top + height * 0.12, cx - half * 0.75, top, cx, top);

    // Body: dark shell, an accent light strip around the lower half.
    QLinearGradient shell(QPointF(cx - half, top), QPointF(cx + half, bottom));
    shell.setColorAt(0, Mix(pal.raised, pal.panelTop, 0.3));
    shell.setColorAt(1, Mix(pal.well, pal.panel, 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(shell);
    p.drawPath(body);
    GlowPath(p, body, Mix(pal.line, pal.ink, 0.35), 1.4);

    const double split = top + height * 0.36;
    QPainterPath seams;
    seams.moveTo(cx, top);
    seams.lineTo(cx, split);
    seams.moveTo(cx - half + 2, split + 8);
    seams.quadTo(cx, split - 6, cx + half - 2, split + 8);
    Stroke(p, Mix(pal.line, pal.ink, 0.25), 1.2);
    p.drawPath(seams);

    // Light strip along the sides of the palm rest.
    QPainterPath strip;
    strip.moveTo(cx - half + 7, top + height * 0.55);
    strip.cubicTo(cx - half + 6, top + height * 0.78, cx - half * 0.5, top + height * 0.94, cx,
                  top + height * 0.95);
    strip.cubicTo(cx + half * 0.5, top + height * 0.94, cx + half - 6, top + height * 0.78,
                  cx + half - 7, top + height * 0.55);
    GlowPath(p, strip, pal.accent, 2.0);

    // Wheel, DPI button and the side buttons.
    const QRectF wheel(cx - 6, top + height * 0.08, 12, height * 0.15);
    p.setPen(QPen(Mix(pal.line, pal.ink, 0.4), 1));
    p.setBrush(pal.well);
    p.drawRoundedRect(wheel, 6, 6);
    Stroke(p, Mix(pal.line, pal.ink, 0.3), 1);
    for (int i = 1; i < 6; ++i) {
        const double y = wheel.top() + wheel.height() * i / 6.0;
        p.drawLine(QPointF(wheel.left() + 3, y), QPointF(wheel.right() - 3, y));
    }
    const QRectF dpi(cx - 5, wheel.bottom() + 8, 10, 14);
    p.setPen(QPen(pal.accent, 1));
    p.setBrush(Mix(pal.well, pal.accent, 0.25));
    p.drawRoundedRect(dpi, 3, 3);
    const QRectF forward(cx - half - 4, top + height * 0.40, 7, 30);
    const QRectF backward(cx - half - 4, top + height * 0.40 + 36, 7, 30);
    p.setPen(QPen(Mix(pal.line, pal.ink, 0.4), 1));
    p.setBrush(pal.raised);
    p.drawRoundedRect(forward, 3, 3);
    p.drawRoundedRect(backward, 3, 3);

    // Numbered marks, as the boxes on the right number the buttons.
    struct Callout {
        const char* digit;
        QPointF badge;
        QPointF target;
    };
    const double bx = 12;  // badge radius and a bit
    const std::array<Callout, 6> callouts = {{
        {"1", QPointF(r.left() + bx, top + height * 0.10),
         QPointF(cx - half * 0.45, top + height * 0.16)},
        {"2", QPointF(r.right() - bx, top + height * 0.10),
         QPointF(cx + half * 0.45, top + height * 0.16)},
        {"3", QPointF(cx, top - 30), QPointF(cx, wheel.top())},
        {"4", QPointF(r.left() + bx, forward.center().y()),
         QPointF(forward.left(), forward.center().y())},
        {"5", QPointF(r.left() + bx, backward.center().y()),
         QPointF(backward.left(), backward.center().y())},
        {"6", QPointF(r.right() - bx, dpi.center().y() + 18),
         QPointF(dpi.right(), dpi.center().y())},
    }};
    for (const Callout& c : callouts) {
        Stroke(p, WithAlpha(pal.accent, 150), 1);
        // Leaders run level, then bend to the part, like a technical drawing.
        QPainterPath leader;
        const double dir = c.target.x() > c.badge.x() ? 1 : -1;
        const QPointF start = c.badge + QPointF(dir * 9, 0);
        leader.moveTo(start);
        if (std::abs(c.target.x() - c.badge.x()) < 1) {
            leader.moveTo(c.badge + QPointF(0, 9));
            leader.lineTo(c.target);
        } else {
            const QPointF knee(c.target.x() - dir * 10, start.y());
            leader.lineTo(knee);
            leader.lineTo(c.target);
        }
        p.drawPath(leader);
        p.setPen(Qt::NoPen);
        p.setBrush(pal.accentHot);
        p.drawEllipse(c.target, 1.8, 1.8);
        Badge(p, QRectF(c.badge.x() - 9, c.badge.y() - 9, 18, 18), pal,
              QString::fromLatin1(c.digit));
    }
}

void LightRing(QPainter& p, const QRectF& r, const Palette& pal) {
    const QPointF o = r.center();
    const double radius = r.width() / 2 - 10;
    QConicalGradient hue(o, 90);
    const std::array<QColor, 7> stops = {
        QColor(255, 60, 60),  QColor(255, 200, 40), QColor(60, 230, 90), QColor(40, 210, 230),
        QColor(60, 110, 255), QColor(220, 70, 240), QColor(255, 60, 60)};
    for (std::size_t i = 0; i < stops.size(); ++i)
        hue.setColorAt(static_cast<double>(i) / 6.0, stops[i]);
    p.setBrush(Qt::NoBrush);
    for (const auto& [width, alpha] :
         {std::pair{20.0, 22}, std::pair{12.0, 40}, std::pair{4.0, 255}}) {
        QBrush brush(hue);
        QPen pen(brush, width);
        p.setOpacity(alpha / 255.0);
        p.setPen(pen);
        p.drawEllipse(o, radius, radius);
    }
    p.setOpacity(1);
    QRadialGradient core(o, radius * 0.7);
    core.setColorAt(0, WithAlpha(pal.accent, 70));
    core.setColorAt(1, WithAlpha(pal.accent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(core);
    p.drawEllipse(o, radius * 0.7, radius * 0.7);
    IconMouse(p, QRectF(o.x() - 30, o.y() - 30, 60, 60), Mix(pal.ink, pal.accentHot, 0.3), 1.6);
}

// Illustrations drawn in a 100 × 100 box scaled to their rectangle.
template <typename Draw>
void InBox(QPainter& p, const QRectF& r, Draw&& draw) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 100.0, r.height() / 100.0);
    draw();
    p.restore();
}

QColor ArtInk(const Palette& pal) {
    return WithAlpha(Mix(pal.ink, pal.panel, 0.35), 200);
}

void KeyCap(QPainter& p, const QRectF& r, const Palette& pal, const QColor& glow) {
    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(glow, 40));
    p.drawRoundedRect(r.adjusted(-4, 2, 4, 8), 12, 12);
    p.setPen(QPen(ArtInk(pal), 2));
    p.setBrush(Mix(pal.raised, pal.base, 0.3));
    p.drawRoundedRect(r, 10, 10);
    const QRectF face =
        r.adjusted(r.width() * 0.12, r.height() * 0.08, -r.width() * 0.12, -r.height() * 0.22);
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0, pal.raised.lighter(125));
    g.setColorAt(1, pal.raised);
    p.setBrush(g);
    p.setPen(QPen(Mix(pal.line, pal.ink, 0.3), 1.2));
    p.drawRoundedRect(face, 7, 7);
}

void Illustration(QPainter& p, Decor decor, const QRectF& r, const Palette& pal) {
    const QColor ink = ArtInk(pal);
    switch (decor) {
        case Decor::MouseMap:
            MouseMap(p, r, pal);
            return;
        case Decor::LightRing:
            LightRing(p, r, pal);
            return;
        case Decor::PointerArt:
            InBox(p, r, [&] {
                for (int i = 0; i < 3; ++i) {
                    Stroke(p, WithAlpha(pal.accent, 200 - 50 * i), 3);
                    const double y = 38 + 12 * i;
                    p.drawLine(QPointF(10 + 8 * i, y), QPointF(34 + 4 * i, y));
                }
                QPainterPath arrow;
                arrow.moveTo(46, 18);
                arrow.lineTo(46, 76);
                arrow.lineTo(59, 63);
                arrow.lineTo(69, 84);
                arrow.lineTo(77, 80);
                arrow.lineTo(67, 59);
                arrow.lineTo(85, 59);
                arrow.closeSubpath();
                Stroke(p, ink, 3);
                p.setBrush(Mix(pal.raised, pal.base, 0.2));
                p.drawPath(arrow);
            });
            return;
        case Decor::WheelArt:
            InBox(p, r, [&] {
                p.setPen(QPen(ink, 3));
                p.setBrush(Mix(pal.raised, pal.base, 0.2));
                p.drawRoundedRect(QRectF(38, 22, 24, 56), 12, 12);
                Stroke(p, Mix(pal.line, pal.ink, 0.3), 2);
                for (int i = 1; i < 6; ++i)
                    p.drawLine(QPointF(43, 22 + 56 * i / 6.0), QPointF(57, 22 + 56 * i / 6.0));
                Stroke(p, pal.accent, 3.5);
                QPainterPath up;
                up.moveTo(40, 12);
                up.lineTo(50, 3);
                up.lineTo(60, 12);
                QPainterPath down;
                down.moveTo(40, 88);
                down.lineTo(50, 97);
                down.lineTo(60, 88);
                p.drawPath(up);
                p.drawPath(down);
            });
            return;
        case Decor::DoubleClickArt:
            InBox(p, r, [&] {
                const QRectF body(40, 16, 50, 80);
                p.setPen(QPen(ink, 3));
                p.setBrush(Mix(pal.raised, pal.base, 0.2));
                p.drawRoundedRect(body, 25, 25);
                // The left button lit: the one being clicked twice.
                QPainterPath left;
                left.addRoundedRect(body, 25, 25);
                QPainterPath quarter;
                quarter.addRect(QRectF(body.left(), body.top(), body.width() / 2, 30));
                p.setPen(Qt::NoPen);
                p.setBrush(WithAlpha(pal.accent, 150));
                p.drawPath(left.intersected(quarter));
                Stroke(p, ink, 2.5);
                p.drawLine(QPointF(body.left(), body.top() + 30),
                           QPointF(body.right(), body.top() + 30));
                p.drawLine(QPointF(body.center().x(), body.top()),
                           QPointF(body.center().x(), body.top() + 30));
                for (int i = 0; i < 2; ++i) {
                    Stroke(p, WithAlpha(pal.accent, 230 - 90 * i), 3);
                    const double rr = 14 + 11 * i;
                    p.drawArc(QRectF(48 - rr, 28 - rr, 2 * rr, 2 * rr), 105 * 16, 70 * 16);
                }
            });
            return;
        case Decor::KeyArt:
            InBox(p, r, [&] {
                KeyCap(p, QRectF(20, 18, 60, 60), pal, pal.accent);
                Stroke(p, pal.accent, 3);
                p.drawLine(QPointF(38, 40), QPointF(62, 40));
                p.drawLine(QPointF(50, 40), QPointF(50, 56));
            });
            return;
        case Decor::ComboArt:
            InBox(p, r, [&] {
                KeyCap(p, QRectF(4, 32, 32, 32), pal, pal.accent);
                KeyCap(p, QRectF(64, 32, 32, 32), pal, pal.accent);
                Stroke(p, pal.accent, 3.5);
                p.drawLine(QPointF(44, 47), QPointF(56, 47));
                p.drawLine(QPointF(50, 41), QPointF(50, 53));
            });
            return;
        case Decor::FireArt:
            InBox(p, r, [&] {
                Stroke(p, ink, 3);
                p.drawEllipse(QPointF(50, 50), 34, 34);
                p.drawEllipse(QPointF(50, 50), 18, 18);
                for (const auto& [a, b] : {std::pair{QPointF(50, 4), QPointF(50, 22)},
                                           std::pair{QPointF(50, 78), QPointF(50, 96)},
                                           std::pair{QPointF(4, 50), QPointF(22, 50)},
                                           std::pair{QPointF(78, 50), QPointF(96, 50)}})
                    p.drawLine(a, b);
                QPainterPath bolt;
                bolt.moveTo(55, 30);
                bolt.lineTo(40, 53);
                bolt.lineTo(50, 53);
                bolt.lineTo(45, 70);
                bolt.lineTo(61, 46);
                bolt.lineTo(51, 46);
                bolt.closeSubpath();
                p.setPen(Qt::NoPen);
                p.setBrush(pal.accent);
                p.drawPath(bolt);
            });
            return;
        case Decor::MediaArt:
            InBox(p, r, [&] {
                p.setPen(QPen(ink, 3));
                p.setBrush(Mix(pal.raised, pal.base, 0.3));
                p.drawEllipse(QPointF(50, 50), 40, 40);
                QPainterPath play;
                play.moveTo(41, 32);
                play.lineTo(69, 50);
                play.lineTo(41, 68);
                play.closeSubpath();
                p.setPen(Qt::NoPen);
                p.setBrush(pal.accent);
                p.drawPath(play);
            });
            return;
        case Decor::WindowsArt:
            InBox(p, r, [&] {
                const std::array<QRectF, 4> panes = {QRectF(16, 16, 32, 32), QRectF(52, 16, 32, 32),
                                                     QRectF(16, 52, 32, 32),
                                                     QRectF(52, 52, 32, 32)};
                for (std::size_t i = 0; i < panes.size(); ++i) {
                    p.setPen(QPen(i == 0 ? pal.accent : ink, 3));
                    p.setBrush(i == 0 ? WithAlpha(pal.accent, 60) : Mix(pal.raised, pal.base, 0.3));
                    p.drawRoundedRect(panes[i], 5, 5);
                }
            });
            return;
        case Decor::MacroArt:
            InBox(p, r, [&] {
                // A recorded sequence: steps joined by a line, a record dot in front.
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(230, 60, 60));
                p.drawEllipse(QPointF(12, 50), 8, 11);
                Stroke(p, WithAlpha(pal.accent, 160), 3);
                p.drawLine(QPointF(24, 50), QPointF(94, 50));
                for (int i = 0; i < 3; ++i) {
                    const QRectF step(30 + 23 * i, 36, 16, 28);
                    p.setPen(QPen(ink, 2.5));
                    p.setBrush(i == 1 ? pal.accent : Mix(pal.raised, pal.base, 0.2));
                    p.drawRoundedRect(step, 4, 4);
                }
            });
            return;
        case Decor::ClockArt:
            InBox(p, r, [&] {
                p.setPen(QPen(ink, 3));
                p.setBrush(Mix(pal.raised, pal.base, 0.3));
                p.drawEllipse(QPointF(50, 56), 36, 36);
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(QRectF(43, 8, 14, 8), 2, 2);
                p.drawLine(QPointF(50, 16), QPointF(50, 20));
                Stroke(p, Mix(pal.line, pal.ink, 0.35), 2.5);
                for (int i = 0; i < 12; ++i) {
                    const double a = i * kPi / 6;
                    p.drawLine(QPointF(50 + 29 * std::sin(a), 56 - 29 * std::cos(a)),
                               QPointF(50 + 33 * std::sin(a), 56 - 33 * std::cos(a)));
                }
                QPainterPath sweep;
                sweep.moveTo(50, 56);
                sweep.arcTo(QRectF(24, 30, 52, 52), 90, -110);
                sweep.closeSubpath();
                p.setPen(Qt::NoPen);
                p.setBrush(WithAlpha(pal.accent, 70));
                p.drawPath(sweep);
                Stroke(p, pal.accent, 3.5);
                p.drawLine(QPointF(50, 56), QPointF(50 + 26 * std::sin(110 * kPi / 180),
                                                    56 - 26 * std::cos(110 * kPi / 180)));
                p.setPen(Qt::NoPen);
                p.setBrush(pal.accentHot);
                p.drawEllipse(QPointF(50, 56), 3.5, 3.5);
            });
            return;
        case Decor::PaletteArt:
            InBox(p, r, [&] {
                IconPalette(p, QRectF(0, 0, 100, 100), Mix(pal.raised, pal.ink, 0.35), pal.panelTop,
                            true);
            });
            return;
        default:
            return;
    }
}

void PaintPanel(QPainter& p, const Panel& panel, const Palette& pal) {
    const QRectF r = F(panel.rect);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    switch (panel.decor) {
        case Decor::HeaderBar: {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, Mix(pal.base, pal.panelTop, 0.35));
            g.setColorAt(1, pal.base);
            p.fillRect(r, g);
            HorizontalGlowLine(p, QRectF(r.left(), r.bottom() - 1, r.width(), 1), pal.accent, 230);
            HorizontalGlowLine(p, QRectF(r.left(), r.bottom(), r.width(), 3), pal.accent, 36);
            break;
        }
        case Decor::FooterBar: {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, pal.base);
            g.setColorAt(1, Mix(pal.base, QColor(0, 0, 0), 0.4));
            p.fillRect(r, g);
            HorizontalGlowLine(p, QRectF(r.left(), r.top(), r.width(), 1), pal.accent, 120);
            break;
        }
        case Decor::Card:
            Card(p, r, pal);
            break;
        case Decor::Well:
            Well(p, r, pal, 2);
            break;
        case Decor::DropWell:
            DropWell(p, r, pal);
            break;
        case Decor::Rail:
            Rail(p, r, pal);
            break;
        case Decor::HeadBand: {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, Mix(pal.raised, pal.panelTop, 0.5));
            g.setColorAt(1, pal.panelTop);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRoundedRect(r, 4, 4);
            p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), WithAlpha(pal.accent, 150));
            break;
        }
        case Decor::ColumnRule:
            p.fillRect(r, pal.line);
            break;
        case Decor::Plate: {
            p.setPen(QPen(pal.line, 1));
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, pal.raised.lighter(110));
            g.setColorAt(1, Mix(pal.raised, pal.base, 0.5));
            p.setBrush(g);
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
            break;
        }
        case Decor::OptionRow:
            p.setPen(QPen(WithAlpha(pal.line, 160), 1));
            p.setBrush(WithAlpha(pal.panelTop, 200));
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
            break;
        case Decor::Divider:
            HorizontalGlowLine(p, r, pal.accent, 90);
            break;
        case Decor::PlusSign:
            Stroke(p, pal.accent, 2.2);
            p.drawLine(QPointF(r.left() + 4, r.center().y()),
                       QPointF(r.right() - 4, r.center().y()));
            p.drawLine(QPointF(r.center().x(), r.top() + 4),
                       QPointF(r.center().x(), r.bottom() - 4));
            break;
        case Decor::Badge1:
            Badge(p, r, pal, QStringLiteral("1"));
            break;
        case Decor::Badge2:
            Badge(p, r, pal, QStringLiteral("2"));
            break;
        case Decor::Mark: {
            // A mouse outline with a lit wheel: the program's own mark.
            Stroke(p, pal.accent, 1.4);
            const QRectF body = r.adjusted(3.5, 0.5, -3.5, -0.5);
            p.drawRoundedRect(body, body.width() / 2, body.width() / 2);
            p.drawLine(QPointF(body.center().x(), body.top() + 3),
                       QPointF(body.center().x(), body.top() + 6.5));
            break;
        }
        default:
            Illustration(p, panel.decor, r, pal);
            break;
    }
    p.restore();
}

QImage PaintBackground(const Background& bg, const Palette& pal) {
    QImage image = Canvas(bg.size.width, bg.size.height);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, bg.size.height);
    g.setColorAt(0, pal.baseTop);
    g.setColorAt(1, pal.base);
    p.fillRect(image.rect(), g);
    // A faint wash of the accent from the upper left, for depth.
    QRadialGradient wash(QPointF(bg.size.width * 0.15, 0), bg.size.width * 0.8);
    wash.setColorAt(0, WithAlpha(pal.accent, 20));
    wash.setColorAt(1, WithAlpha(pal.accent, 0));
    p.fillRect(image.rect(), wash);
    for (const Panel& panel : bg.panels) PaintPanel(p, panel, pal);
    // The window has no frame of its own: a hairline border keeps its edge
    // visible on a dark desktop.
    p.setPen(QPen(Mix(pal.line, pal.accent, 0.25), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, bg.size.width - 1, bg.size.height - 1));
    return image;
}

// ---- Output ---------------------------------------------------------------------------

struct Failure {
    QString message;
};

bool FullyOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 255) return false;
        }
    }
    return true;
}

// PNG bytes of straight pixels, encoded for decoding speed: the program
// decodes every skin file at every draw, and rows stored without a filter
// decode in well under half the time of adaptively filtered ones (nothing to
// undo per byte) while, at the strongest compression, the files stay as small.
std::vector<unsigned char> EncodePng(const QImage& straight, bool alpha, const QString& path) {
    const QImage rows =
        straight.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(rows.width()) * (alpha ? 4 : 3);
    std::vector<unsigned char> pixels(rowBytes * static_cast<std::size_t>(rows.height()));
    for (int y = 0; y < rows.height(); ++y)
        std::memcpy(pixels.data() + rowBytes * static_cast<std::size_t>(y), rows.constScanLine(y),
                    rowBytes);

    const std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(SPNG_CTX_ENCODER),
                                                                  &spng_ctx_free);
    if (!ctx) throw Failure{QStringLiteral("cannot encode %1: out of memory").arg(path)};
    spng_ihdr header{};
    header.width = static_cast<std::uint32_t>(rows.width());
    header.height = static_cast<std::uint32_t>(rows.height());
    header.bit_depth = 8;
    header.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    int error = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (error == 0) error = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING);
    if (error == 0) error = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 9);
    if (error == 0) error = spng_set_ihdr(ctx.get(), &header);
    if (error == 0)
        error = spng_encode_image(ctx.get(), pixels.data(), pixels.size(), SPNG_FMT_PNG,
                                  SPNG_ENCODE_FINALIZE);
    std::size_t size = 0;
    void* encoded = error == 0 ? spng_get_png_buffer(ctx.get(), &size, &error) : nullptr;
    if (encoded == nullptr)
        throw Failure{QStringLiteral("cannot encode %1: %2")
                          .arg(path, QString::fromUtf8(spng_strerror(error)))};
    const auto* bytes = static_cast<const unsigned char*>(encoded);
    std::vector<unsigned char> out(bytes, bytes + size);
    std::free(encoded);
    return out;
}

void Save(const QImage& premultiplied, const QString& path) {
    // Skin files hold straight alpha, as image editors write them. Fully opaque
    // images (the page backgrounds) go out without an alpha channel: smaller, and
    // the program copies them without a per-pixel pass.
    const bool alpha = !FullyOpaque(premultiplied);
    const std::vector<unsigned char> png = EncodePng(
        premultiplied.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32), alpha,
        path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Failure{QStringLiteral("cannot write %1: %2").arg(path, file.errorString())};
    const auto size = static_cast<qint64>(png.size());
    if (file.write(reinterpret_cast<const char*>(png.data()), size) != size)
        throw Failure{QStringLiteral("cannot write %1: %2").arg(path, file.errorString())};
    if (!file.commit())
        throw Failure{QStringLiteral("cannot write %1: %2").arg(path, file.errorString())};
}

void MakeFolder(const QString& path) {
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir())
        throw Failure{QStringLiteral("cannot create the folder %1").arg(path)};
}

QString Name(std::string_view file) {
    return QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size()));
}

struct Skin {
    std::map<std::string_view, QImage> files;  // file name ("/x.png") → image
};

Skin PaintSkin(const Palette& pal) {
    Skin skin;
    // Backgrounds first: the elements' edges are blended over them.
    for (const Background& bg : kBackgrounds) skin.files[bg.file] = PaintBackground(bg, pal);
    for (const ElementImages& images : kElements) {
        ElementPair pair = PaintElement(images.element, pal);
        SettleEdges(pair.rest, pair.active, pal.rim, Surface(images, skin.files, pal.panel));
        if (images.element == Element::TextButton) {
            // Rows of text buttons (OK, Apply, Cancel; Mode A and B; New, Delete,
            // Confirm) overlap by one column, and whichever was drawn last owns
            // it. With the right edge equal to the left one the row looks the
            // same in every drawing order.
            for (QImage* image : {&pair.rest, &pair.active})
                for (int y = 0; y < image->height(); ++y)
                    for (int x = 0; x < gScale; ++x)
                        image->setPixel(image->width() - gScale + x, y, image->pixel(x, y));
        }
        skin.files[images.rest] = pair.rest;
        skin.files[images.active] = pair.active;
    }
    return skin;
}

// "/x.png" at scale 2 is "/x@2x.png", the name Qt's loaders look for.
QString ScaledName(std::string_view file, int scale) {
    QString name = Name(file);
    if (scale != 1)
        name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
    return name;
}

void WriteSkin(const Skin& skin, const QString& folder, int scale) {
    MakeFolder(folder);
    for (const auto& [file, image] : skin.files) Save(image, folder + ScaledName(file, scale));
}

// Which state the preview shows an element in: a believable mix, so both
// states of every pair can be judged in place.
bool PreviewActive(const Placement& placement, std::size_t index) {
    switch (placement.element) {
        case Element::DpiCell: {
            const int level = (placement.rect.left - 554) / 27;
            const int step = (500 - placement.rect.top) / 18;
            return step <= 3 + 2 * level;
        }
        case Element::PointerCell:
            return (placement.rect.left - 52) / 24 < 3 + placement.rect.top / 150;
        case Element::ReportRateCell:
            return placement.rect.left == 758;
        case Element::CheckBox:
            return index % 2 == 0;
        case Element::DropdownBox:
            return placement.rect.top == 222;
        case Element::TextButton:
            return placement.rect.left == 253 || placement.rect.left == 562 ||
                   placement.rect.left == 166;
        default:
            return placement.element == Element::AdvancedPageButton ||
                   placement.element == Element::CloseButton;
    }
}

void WritePreview(const Skin& skin, const Palette& pal, const QString& folder) {
    MakeFolder(folder);
    for (const Background& bg : kBackgrounds) {
        QImage page = skin.files.at(bg.file).copy();
        QPainter p(&page);
        std::size_t index = 0;
        for (const Placement& placement : bg.elements) {
            const ElementImages& images = Images(placement.element);
            const bool active = PreviewActive(placement, index++);
            p.drawImage(placement.rect.left, placement.rect.top,
                        skin.files.at(active ? images.active : images.rest));
        }
        p.end();
        QString base = Name(bg.file).mid(1);
        base.chop(4);
        Save(page, QStringLiteral("%1/%2-%3.png").arg(folder, QString::fromLatin1(pal.name), base));
    }

    // Every pair enlarged four times, rest beside active, on a card's colour:
    // the small elements cannot be judged at their real size.
    const int zoom = 4;
    const int gap = 12;
    int width = 0;
    int height = gap;
    for (const ElementImages& images : kElements) {
        width = std::max(width, 2 * images.size.width * zoom + 3 * gap);
        height += images.size.height * zoom + gap;
    }
    QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(pal.panel);
    QPainter p(&sheet);
    int y = gap;
    for (const ElementImages& images : kElements) {
        const QSize big(images.size.width * zoom, images.size.height * zoom);
        p.drawImage(QRect(QPoint(gap, y), big), skin.files.at(images.rest));
        p.drawImage(QRect(QPoint(2 * gap + big.width(), y), big), skin.files.at(images.active));
        y += big.height() + gap;
    }
    p.end();
    Save(sheet, QStringLiteral("%1/%2-elements.png").arg(folder, QString::fromLatin1(pal.name)));
}

int Usage(const char* message) {
    if (message != nullptr) std::fprintf(stderr, "skingen: %s\n", message);
    std::fprintf(stderr,
                 "usage: skingen [--preview DIR] OUTPUT_DIR...\n"
                 "Writes every skin into OUTPUT_DIR/<skin name>/ for each OUTPUT_DIR.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Painting needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList outputs;
    QString preview;
    const QStringList args = QGuiApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--preview")) {
            if (i + 1 >= args.size()) return Usage("--preview needs a folder");
            preview = args[++i];
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            Usage(nullptr);
            return 0;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return Usage(("unknown option " + arg.toStdString()).c_str());
        } else {
            outputs << arg;
        }
    }
    if (outputs.isEmpty() && preview.isEmpty()) return Usage("no output folder given");

    try {
        for (const int scale : {1, 2}) {
            gScale = scale;
            for (const Palette& pal : kPalettes) {
                const Skin skin = PaintSkin(pal);
                for (const QString& out : outputs)
                    WriteSkin(skin, out + QLatin1Char('/') + QLatin1String(pal.name), scale);
                if (!preview.isEmpty() && scale == 1) WritePreview(skin, pal, preview);
            }
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "skingen: %s\n", failure.message.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
