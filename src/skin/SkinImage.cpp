#include "skin/SkinImage.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <sys/mman.h>

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

// The pixel form a caller wants from a file.
enum class Form {
    Straight,       // QImage::Format_ARGB32 with alpha, Format_RGB32 without
    Premultiplied,  // ready to blend: Format_ARGB32_Premultiplied by the integer rule, or
                    // Format_RGB32 without alpha
    Opaque,         // Format_RGB32 whatever the file holds: its alpha is dropped
};

// One pass over libspng's RGBA bytes, in place, into the form asked for: the
// rows never leave the image they were decoded into, and there is no second
// image to allocate, fill and free (a page draw reads some seventy files).
void ConvertRgbaInPlace(QImage& image, bool alpha, Form form) {
    const bool keepAlpha = alpha && form != Form::Opaque;
    const bool premultiply = keepAlpha && form == Form::Premultiplied;
    const int width = image.width();
    const int height = image.height();
    const qsizetype stride = image.bytesPerLine();
    uchar* const bits = image.bits();
    for (int y = 0; y < height; ++y) {
        uchar* row = bits + y * stride;
        for (int x = 0; x < width; ++x) {
            uchar* in = row + 4 * x;
            const unsigned r = in[0];
            const unsigned g = in[1];
            const unsigned b = in[2];
            const unsigned a = keepAlpha ? in[3] : 255u;
            QRgb out = 0;
            if (premultiply) {
                out = (a << 24) | ((r * a / 255u) << 16) | ((g * a / 255u) << 8) | (b * a / 255u);
            } else {
                out = (a << 24) | (r << 16) | (g << 8) | b;
            }
            std::memcpy(in, &out, sizeof out);
        }
    }
}

// The format a decoded image is relabelled with once its bytes are converted.
QImage::Format FormatFor(bool alpha, Form form) {
    if (!alpha || form == Form::Opaque) return QImage::Format_RGB32;
    return form == Form::Premultiplied ? QImage::Format_ARGB32_Premultiplied
                                       : QImage::Format_ARGB32;
}

// A PNG file straight through libspng: faster per file than Qt's reader, and
// without the image-plugin lookup Qt makes before its first read, which the
// window's start-up would otherwise wait for. Null when the file is not a PNG
// or libspng refuses it; Qt's reader then has its turn.
// Pixels for a decoded image, as Format_RGBA8888 (relabelled once converted).
// An image of a megapixel or more (a page background) is put on huge pages
// where the system has them: its first filling then takes one page fault per
// 2 MiB rather than one per 4 KiB, which on a virtual machine is most of the
// cost of the window's first page.
QImage NewPixels(int width, int height) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    const std::size_t bytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    if (bytes < kHugePage) return QImage(width, height, QImage::Format_RGBA8888);
    void* pixels = nullptr;
    if (posix_memalign(&pixels, kHugePage, bytes) != 0) return {};
#ifdef MADV_HUGEPAGE
    // Only whole huge pages: a partly used one would hold memory for nothing.
    ::madvise(pixels, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);  // a hint; may be refused
#endif
    return QImage(
        static_cast<uchar*>(pixels), width, height, static_cast<qsizetype>(width) * 4,
        QImage::Format_RGBA8888, [](void* p) { std::free(p); }, pixels);
}

QImage DecodePng(const QString& path, Form form, QImage* reuse) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    static constexpr char kSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    // Read, not mapped: unmapping a file costs every core a TLB flush, more
    // than reading a skin file's few kilobytes.
    // A file larger than any image we decode is left to Qt's reader, which
    // streams it, rather than read whole into memory here.
    if (file.size() > static_cast<qint64>(kMaxDecodedBytes)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < static_cast<qsizetype>(sizeof kSignature) ||
        std::memcmp(bytes.constData(), kSignature, sizeof kSignature) != 0) {
        return {};
    }

    // The zlib checksum is not checked: every chunk's CRC already is, and the
    // checksum pass costs a tenth of the decoding.
    const std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(
        spng_ctx_new(SPNG_CTX_IGNORE_ADLER32), &spng_ctx_free);
    if (!ctx) return {};
    spng_ihdr header{};
    std::size_t decodedSize = 0;
    if (spng_set_png_buffer(ctx.get(), bytes.constData(), static_cast<std::size_t>(bytes.size())) !=
            0 ||
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
    // libspng writes RGBA bytes, four to a pixel as in a 32-bit QImage row;
    // they are turned into the wanted form where they lie.
    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    // A page of the same size is decoded over, not freed and made again.
    QImage image;
    if (reuse != nullptr && reuse->width() == width && reuse->height() == height &&
        reuse->depth() == 32 && reuse->bytesPerLine() == static_cast<qsizetype>(width) * 4 &&
        reuse->isDetached()) {
        image = std::move(*reuse);
    } else {
        image = NewPixels(width, height);
    }
    if (image.isNull() || static_cast<std::size_t>(image.sizeInBytes()) != decodedSize) return {};
    // tRNS (a palette or colour key with transparency) becomes alpha, as Qt does.
    if (spng_decode_image(ctx.get(), image.bits(), decodedSize, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) !=
        0)
        return {};
    ConvertRgbaInPlace(image, alpha, form);
    image.reinterpretAsFormat(FormatFor(alpha, form));
    return image;
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
    return QString::fromUtf8(kLoadImageFailed) + u'\n' + path;
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
