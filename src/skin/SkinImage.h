#pragma once

// Skin element images: loading, premultiplying and blending onto a page.
//
// Every element is read from disk at every draw, with no cache: a skin folder
// edited while the program runs shows the new files at the next redraw, and the
// memory held stays that of one image at a time.

#include <QImage>
#include <QString>
#include <optional>

class QPainter;

namespace ornyx {
class MessageSink;
}

namespace ornyx::skin {

// The message of a pop-up whose element image cannot be loaded (caption: the
// program's name).
inline constexpr const char* kLoadImageFailed = "LoadPng---Load image failed.";
// The message for one missing file: kLoadImageFailed, then the file on its own
// line, so that the user knows what to restore.
QString MissingFileText(const QString& path);

// A decoded skin file: straight (not premultiplied) ARGB32 pixels. Files without
// an alpha channel (24-bit, grey, palette without transparency) come out with
// alpha 255 and `hasAlpha` false, and are copied opaque when drawn.
struct SkinImage {
    QImage pixels;  // QImage::Format_ARGB32
    bool hasAlpha = false;
};

// The file a screen of `scale` device pixels per page pixel asks for: for 2,
// "/x.png" becomes "/x@2x.png" (Qt's naming of high-resolution images); for 1,
// the path as it is.
QString ScaledSkinFile(const QString& path, int scale);
// The scale of the files to load for a device pixel ratio: 2 above 1, else 1.
int SkinFileScale(qreal devicePixelRatio);

// Nullopt when the file is missing, unreadable or not a decodable image.
// Above a device pixel ratio of 1 the @2x file is tried first and comes with a
// device pixel ratio of 2, so it is drawn at the natural size of the 1x file;
// a skin without it falls back to the 1x file, silently.
std::optional<SkinImage> LoadSkinImage(const QString& path, qreal devicePixelRatio = 1.0);

// A page background: the file's colours as they are, opaque (its alpha has no
// meaning on an opaque window and does not darken the page), as
// QImage::Format_RGB32. Null when the file cannot be loaded. An opaque file is
// taken as decoded, without the copies a blended element needs: the page is
// the largest image there is, and it is read at every page build.
// Above a device pixel ratio of 1 the page has twice the pixels and a device
// pixel ratio of 2: from the @2x file, or the 1x file enlarged when the skin
// has none, so that the elements drawn on it can still be sharp.
// `reuse`, an earlier page handed over (std::move), is decoded over when it
// has the file's size, so that a page build needs no new memory.
QImage LoadOpaquePage(const QString& path, qreal devicePixelRatio = 1.0, QImage reuse = {});

// Sees the path of every skin file loaded, so that the drawing benchmark can
// decode the same files on their own. Null (the default) sees nothing.
using ImageLoadHook = void (*)(const QString& path);
void SetImageLoadHook(ImageLoadHook hook);

// The blending form of straight ARGB32 pixels: red, green and blue each become
// value × alpha / 255 with integer division (rounded down), alpha unchanged.
// Skins are made against this exact rule, which differs from Qt's own rounding
// in the last bit, so it is done by hand. The result is
// QImage::Format_ARGB32_Premultiplied holding those bytes; a null or
// non-ARGB32 input gives a null image.
QImage PremultiplyStraight(const QImage& straight);

// Draws a loaded image at its natural size with its top-left corner at (x, y):
// source-over blending when it has alpha, an opaque copy otherwise. False when
// the painter is not active or the image is null.
bool DrawSkinImage(QPainter& page, const SkinImage& image, int x, int y);

// Loads `path` (at the painter's device pixel ratio) and draws it as above. The main window's form:
// a missing or unreadable file (or an inactive painter) gives false and nothing else, so the page
// keeps what it held at that place.
bool DrawSkinElement(QPainter& page, const QString& path, int x, int y);

// The pop-up form: as above, but a file that cannot be loaded is first reported
// to `messages` as kLoadImageFailed with the program's name as caption. An
// inactive painter gives false without a message (nothing was attempted).
bool DrawSkinElement(QPainter& page, const QString& path, int x, int y, MessageSink& messages);

}  // namespace ornyx::skin
