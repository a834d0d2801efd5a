#include "skin/SkinImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/MessageSink.h"
#include "skin/PngDecode.h"

namespace ornyx::skin {

namespace {
ImageLoadHook imageLoadHook = nullptr;
}  // namespace

void SetImageLoadHook(ImageLoadHook hook) {
    imageLoadHook = hook;
}

QString ScaledSkinFile(const QString& path, int scale) {
    if (scale <= 1) return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash) dot = path.size();  // no extension: the suffix goes last
    QString scaled = path;
    scaled.insert(dot, QStringLiteral("@%1x").arg(scale));
    return scaled;
}

int SkinFileScale(qreal devicePixelRatio) {
    return devicePixelRatio > 1.0 ? 2 : 1;
}

namespace {

// Straight ARGB32 pixels with their alpha dropped, as Format_RGB32.
QImage OpaqueCopy(const QImage& straight) {
    QImage page(straight.size(), QImage::Format_RGB32);
    if (page.isNull()) return {};
    page.setDevicePixelRatio(straight.devicePixelRatio());
    for (int y = 0; y < page.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < page.width(); ++x) out[x] = in[x] | 0xFF000000u;
    }
    return page;
}

// Decodes one file as stored, with the device pixel ratio given (Qt would take
// one from an "@Nx" name on its own; the caller decides instead).
QImage Decode(const QString& path, int scale, Form form, QImage* reuse) {
    if (imageLoadHook != nullptr) imageLoadHook(path);
    QImage decoded = DecodePng(path, form, reuse);
    if (decoded.isNull()) {
        // Not a PNG (a skin may hold any image format), or one libspng refuses.
        QImageReader reader(path);
        // Skins are drawn as stored; an orientation tag must not turn them.
        reader.setAutoTransform(false);
        decoded = reader.read();
        if (!decoded.isNull()) {
            const bool alpha = decoded.hasAlphaChannel();
            decoded = decoded.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            if (alpha && form == Form::Premultiplied) decoded = PremultiplyStraight(decoded);
            if (alpha && form == Form::Opaque) decoded = OpaqueCopy(decoded);
        }
    }
    if (!decoded.isNull()) decoded.setDevicePixelRatio(scale);
    return decoded;
}

// The high-resolution file when the ratio asks for it and it is there, else
// the file itself at ratio 1.
QImage DecodeForRatio(const QString& path, qreal devicePixelRatio, Form form,
                      QImage* reuse = nullptr) {
    if (path.isEmpty()) return {};
    const int scale = SkinFileScale(devicePixelRatio);
    if (scale > 1) {
        const QString scaled = ScaledSkinFile(path, scale);
        if (QFileInfo::exists(scaled)) {
            QImage decoded = Decode(scaled, scale, form, reuse);
            if (!decoded.isNull()) return decoded;
        }
    }
    return Decode(path, 1, form, reuse);
}

}  // namespace

std::optional<SkinImage> LoadSkinImage(const QString& path, qreal devicePixelRatio) {
    const QImage decoded = DecodeForRatio(path, devicePixelRatio, Form::Straight);
    if (decoded.isNull()) return std::nullopt;

    SkinImage image;
    image.hasAlpha = decoded.hasAlphaChannel();
    // Straight alpha whatever the file holds; files without alpha get 255.
    image.pixels = decoded.convertToFormat(QImage::Format_ARGB32);
    if (image.pixels.isNull()) return std::nullopt;  // out of memory for a very large file
    return image;
}

QImage LoadOpaquePage(const QString& path, qreal devicePixelRatio, QImage reuse) {
    QImage decoded = DecodeForRatio(path, devicePixelRatio, Form::Opaque, &reuse);
    if (decoded.isNull()) return {};
    const int scale = SkinFileScale(devicePixelRatio);
    if (decoded.devicePixelRatio() < scale) {
        // No @2x page in this skin: the 1x one enlarged keeps the window's size.
        decoded =
            decoded.scaled(decoded.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (decoded.isNull()) return {};
        decoded.setDevicePixelRatio(scale);
    }
    if (decoded.format() == QImage::Format_RGB32) return decoded;
    return OpaqueCopy(decoded.convertToFormat(QImage::Format_ARGB32));
}

QImage PremultiplyStraight(const QImage& straight) {
    if (straight.isNull() || straight.format() != QImage::Format_ARGB32) return {};
    QImage out(straight.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull()) return {};
    out.setDevicePixelRatio(straight.devicePixelRatio());
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

namespace {

// Draws pixels already in blending form: source-over for premultiplied ones,
// an opaque copy otherwise.
bool DrawBlendReady(QPainter& page, const QImage& blend, bool alpha, int x, int y) {
    if (blend.isNull()) return false;
    const QPainter::CompositionMode before = page.compositionMode();
    page.setCompositionMode(alpha ? QPainter::CompositionMode_SourceOver
                                  : QPainter::CompositionMode_Source);
    page.drawImage(QPoint(x, y), blend);
    page.setCompositionMode(before);
    return true;
}

// A skin file decoded straight into the form it is drawn in (no image between).
QImage LoadBlendReady(QPainter& page, const QString& path) {
    return DecodeForRatio(path, page.device()->devicePixelRatio(), Form::Premultiplied);
}

}  // namespace

bool DrawSkinImage(QPainter& page, const SkinImage& image, int x, int y) {
    if (!page.isActive() || image.pixels.isNull()) return false;
    // Without an alpha channel every pixel is opaque and premultiplying changes
    // nothing: the large page backgrounds skip the per-pixel pass.
    const QImage blend = image.hasAlpha ? PremultiplyStraight(image.pixels) : image.pixels;
    return DrawBlendReady(page, blend, image.hasAlpha, x, y);
}

QString MissingFileText(const QString& path) {
    // The path as the system writes paths: backslashes on Windows.
    return QString::fromUtf8(kLoadImageFailed) + u'\n' + QDir::toNativeSeparators(path);
}

bool DrawSkinElement(QPainter& page, const QString& path, int x, int y) {
    if (!page.isActive()) return false;
    const QImage blend = LoadBlendReady(page, path);
    return DrawBlendReady(page, blend, blend.hasAlphaChannel(), x, y);
}

bool DrawSkinElement(QPainter& page, const QString& path, int x, int y, MessageSink& messages) {
    if (!page.isActive()) return false;
    const QImage blend = LoadBlendReady(page, path);
    if (blend.isNull()) {
        messages.ShowMessage(kLoadImageFailed, kProgramName);
        return false;
    }
    return DrawBlendReady(page, blend, blend.hasAlphaChannel(), x, y);
}

}  // namespace ornyx::skin
