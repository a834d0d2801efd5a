#include <sys/mman.h>

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <spng.h>

#include "skin/PngDecode.h"

namespace ornyx::skin {

namespace {

// The most a decoded skin file may take, as Qt's own readers allow: a file
// claiming a huge size fails instead of exhausting memory.
constexpr std::size_t kMaxDecodedBytes = 256u * 1024u * 1024u;

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

}  // namespace

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

}  // namespace ornyx::skin
