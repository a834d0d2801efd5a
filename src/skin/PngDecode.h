#pragma once

#include <QImage>
#include <QString>

namespace ornyx::skin {

// The pixel form a caller wants from a file.
enum class Form {
    Straight,       // QImage::Format_ARGB32 with alpha, Format_RGB32 without
    Premultiplied,  // ready to blend: Format_ARGB32_Premultiplied by the integer rule, or
                    // Format_RGB32 without alpha
    Opaque,         // Format_RGB32 whatever the file holds: its alpha is dropped
};

// A PNG file through the system's fast decoder, in the form asked for, over
// `reuse` when that has the same size. Null when the file is not a PNG, the
// decoder refuses it, or the system has no such decoder: Qt's reader then has
// its turn, and gives the same pixels.
QImage DecodePng(const QString& path, Form form, QImage* reuse);

}  // namespace ornyx::skin
