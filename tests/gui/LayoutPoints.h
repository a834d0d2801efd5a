#pragma once

// Where the window tests press: the middle of a region of the layout table,
// so that a test never keeps pixels of its own.

#include <QPoint>

#include "layout/WindowLayout.h"

namespace ornyx {

namespace lw = layout::window;

inline QPoint Centre(const layout::Rect& r) {
    return {(r.left + r.right - 1) / 2, (r.top + r.bottom - 1) / 2};
}

}  // namespace ornyx
