#include "skin/PngDecode.h"

namespace ornyx::skin {

// libspng is not cross-built for Windows: Qt's own PNG reader decodes every
// skin file there, into the same pixels.
QImage DecodePng(const QString&, Form, QImage*) {
    return {};
}

}  // namespace ornyx::skin
