#include "skin/SkinImage.h"

#include <QImageReader>
#include <QPainter>

#include "common/MessageSink.h"

namespace ornyx::skin {

namespace {
ImageLoadHook imageLoadHook = nullptr;
}  // namespace

void SetImageLoadHook(ImageLoadHook hook) { imageLoadHook = hook; }

std::optional<SkinImage> LoadSkinImage(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    if (imageLoadHook != nullptr) imageLoadHook(path);
    QImageReader reader(path);
    // Skins are drawn as stored; an orientation tag must not turn them.
    reader.setAutoTransform(false);
    QImage decoded = reader.read();
    if (decoded.isNull())
        return std::nullopt;

    SkinImage image;
    image.hasAlpha = decoded.hasAlphaChannel();
    // Straight alpha whatever the file holds; files without alpha get 255.
    image.pixels = decoded.convertToFormat(QImage::Format_ARGB32);
    if (image.pixels.isNull())
        return std::nullopt;  // out of memory for a very large file
    // Natural size means one file pixel per page pixel, whatever the file name.
    image.pixels.setDevicePixelRatio(1.0);
    return image;
}

QImage LoadOpaquePage(const QString& path) {
    if (path.isEmpty())
        return {};
    if (imageLoadHook != nullptr) imageLoadHook(path);
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QImage decoded = reader.read();
    if (decoded.isNull())
        return {};
    decoded.setDevicePixelRatio(1.0);
    if (decoded.format() == QImage::Format_RGB32)
        return decoded;
    // Straight colours first (a premultiplied source would come out darker).
    const QImage straight = decoded.convertToFormat(QImage::Format_ARGB32);
    if (straight.isNull())
        return {};
    QImage page(straight.size(), QImage::Format_RGB32);
    if (page.isNull())
        return {};
    for (int y = 0; y < page.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < page.width(); ++x) out[x] = in[x] | 0xFF000000u;
    }
    return page;
}

QImage PremultiplyStraight(const QImage& straight) {
    if (straight.isNull() || straight.format() != QImage::Format_ARGB32)
        return {};
    QImage out(straight.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    for (int y = 0; y < straight.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < straight.width(); ++x) {
            const QRgb p = in[x];
            const int a = qAlpha(p);
            to[x] = qRgba(qRed(p) * a / 255, qGreen(p) * a / 255, qBlue(p) * a / 255, a);
        }
    }
    return out;
}

bool DrawSkinImage(QPainter& page, const SkinImage& image, int x, int y) {
    if (!page.isActive() || image.pixels.isNull())
        return false;
    // Without an alpha channel every pixel is opaque and premultiplying changes
    // nothing: the large page backgrounds skip the per-pixel pass.
    const QImage blend = image.hasAlpha ? PremultiplyStraight(image.pixels) : image.pixels;
    if (blend.isNull())
        return false;
    page.save();
    page.setCompositionMode(image.hasAlpha ? QPainter::CompositionMode_SourceOver
                                           : QPainter::CompositionMode_Source);
    page.drawImage(QPoint(x, y), blend);
    page.restore();
    return true;
}

QString MissingFileText(const QString& path) {
    return QString::fromUtf8(kLoadImageFailed) + u'\n' + path;
}

bool DrawSkinElement(QPainter& page, const QString& path, int x, int y) {
    if (!page.isActive())
        return false;
    const std::optional<SkinImage> image = LoadSkinImage(path);
    return image && DrawSkinImage(page, *image, x, y);
}

bool DrawSkinElement(QPainter& page, const QString& path, int x, int y, MessageSink& messages) {
    if (!page.isActive())
        return false;
    const std::optional<SkinImage> image = LoadSkinImage(path);
    if (!image) {
        messages.ShowMessage(kLoadImageFailed, kProgramName);
        return false;
    }
    return DrawSkinImage(page, *image, x, y);
}

}  // namespace ornyx::skin
