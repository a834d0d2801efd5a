#include "skin/SkinImage.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <cstring>
#include <memory>

#include <spng.h>

#include "common/MessageSink.h"

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

// The most a decoded skin file may take, as Qt's own readers allow: a file
// claiming a huge size fails instead of exhausting memory.
constexpr std::size_t kMaxDecodedBytes = 256u * 1024u * 1024u;

// A PNG file straight through libspng: as fast as Qt's reader per file, and
// without the image-plugin lookup Qt makes before its first read, which the
// window's start-up would otherwise wait for. Null when the file is not a PNG
// or libspng refuses it; Qt's reader then has its turn.
QImage DecodePng(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 size = file.size();
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size < static_cast<qint64>(sizeof kSignature)) return {};
    QByteArray copy;
    const uchar* bytes = file.map(0, size);
    if (bytes == nullptr) {
        copy = file.readAll();
        if (copy.size() != size) return {};
        bytes = reinterpret_cast<const uchar*>(copy.constData());
    }
    if (std::memcmp(bytes, kSignature, sizeof kSignature) != 0) return {};

    const std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), &spng_ctx_free);
    if (!ctx) return {};
    spng_ihdr header{};
    std::size_t decodedSize = 0;
    if (spng_set_png_buffer(ctx.get(), bytes, static_cast<std::size_t>(size)) != 0 ||
        spng_set_chunk_limits(ctx.get(), kMaxDecodedBytes, kMaxDecodedBytes) != 0 ||
        spng_get_ihdr(ctx.get(), &header) != 0 ||
        spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &decodedSize) != 0 ||
        decodedSize > kMaxDecodedBytes) {
        return {};
    }
    spng_trns transparency{};
    const bool alpha = header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ||
                       header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                       spng_get_trns(ctx.get(), &transparency) == 0;
    // libspng writes RGBA bytes, which is QImage's RGBA8888 row for row; a
    // file without alpha comes with 255 there and is taken as RGBX.
    QImage image(static_cast<int>(header.width), static_cast<int>(header.height),
                 alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (image.isNull() || static_cast<std::size_t>(image.sizeInBytes()) != decodedSize) return {};
    // tRNS (a palette or colour key with transparency) becomes alpha, as Qt does.
    if (spng_decode_image(ctx.get(), image.bits(), decodedSize, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) !=
        0)
        return {};
    image.convertTo(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return image;
}

// Decodes one file as stored, with the device pixel ratio given (Qt would take
// one from an "@Nx" name on its own; the caller decides instead).
QImage Decode(const QString& path, int scale) {
    if (imageLoadHook != nullptr) imageLoadHook(path);
    QImage decoded = DecodePng(path);
    if (decoded.isNull()) {
        // Not a PNG (a skin may hold any image format), or one libspng refuses.
        QImageReader reader(path);
        // Skins are drawn as stored; an orientation tag must not turn them.
        reader.setAutoTransform(false);
        decoded = reader.read();
    }
    if (!decoded.isNull()) decoded.setDevicePixelRatio(scale);
    return decoded;
}

// The high-resolution file when the ratio asks for it and it is there, else
// the file itself at ratio 1.
QImage DecodeForRatio(const QString& path, qreal devicePixelRatio) {
    if (path.isEmpty()) return {};
    const int scale = SkinFileScale(devicePixelRatio);
    if (scale > 1) {
        const QString scaled = ScaledSkinFile(path, scale);
        if (QFileInfo::exists(scaled)) {
            QImage decoded = Decode(scaled, scale);
            if (!decoded.isNull()) return decoded;
        }
    }
    return Decode(path, 1);
}

}  // namespace

std::optional<SkinImage> LoadSkinImage(const QString& path, qreal devicePixelRatio) {
    const QImage decoded = DecodeForRatio(path, devicePixelRatio);
    if (decoded.isNull()) return std::nullopt;

    SkinImage image;
    image.hasAlpha = decoded.hasAlphaChannel();
    // Straight alpha whatever the file holds; files without alpha get 255.
    image.pixels = decoded.convertToFormat(QImage::Format_ARGB32);
    if (image.pixels.isNull()) return std::nullopt;  // out of memory for a very large file
    return image;
}

QImage LoadOpaquePage(const QString& path, qreal devicePixelRatio) {
    QImage decoded = DecodeForRatio(path, devicePixelRatio);
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
    // Straight colours first (a premultiplied source would come out darker).
    const QImage straight = decoded.convertToFormat(QImage::Format_ARGB32);
    if (straight.isNull()) return {};
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

bool DrawSkinImage(QPainter& page, const SkinImage& image, int x, int y) {
    if (!page.isActive() || image.pixels.isNull()) return false;
    // Without an alpha channel every pixel is opaque and premultiplying changes
    // nothing: the large page backgrounds skip the per-pixel pass.
    const QImage blend = image.hasAlpha ? PremultiplyStraight(image.pixels) : image.pixels;
    if (blend.isNull()) return false;
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
    if (!page.isActive()) return false;
    const std::optional<SkinImage> image = LoadSkinImage(path, page.device()->devicePixelRatio());
    return image && DrawSkinImage(page, *image, x, y);
}

bool DrawSkinElement(QPainter& page, const QString& path, int x, int y, MessageSink& messages) {
    if (!page.isActive()) return false;
    const std::optional<SkinImage> image = LoadSkinImage(path, page.device()->devicePixelRatio());
    if (!image) {
        messages.ShowMessage(kLoadImageFailed, kProgramName);
        return false;
    }
    return DrawSkinImage(page, *image, x, y);
}

}  // namespace ornyx::skin
