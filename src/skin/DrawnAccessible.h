#pragma once

// Screen-reader access to the controls a skinned window draws instead of
// creating: each button, box, cell and tick of the page is offered to
// assistive technology as the control it looks like, with its caption.

#include <QAccessible>
#include <QRect>
#include <QString>
#include <vector>

namespace ornyx::skin {

struct DrawnControl {
    QRect rect;  // window pixels
    QAccessible::Role role = QAccessible::Button;
    QString name;
    QString value;  // the shown choice of a box, the step of a slider
    bool checkable = false;
    bool checked = false;
};

// A window whose controls are drawn says which are on its page now.
class DrawnControlSource {
public:
    virtual std::vector<DrawnControl> DrawnControls() const = 0;

protected:
    ~DrawnControlSource() = default;
};

// Lets Qt's accessibility find the drawn controls of every QWidget that is
// also a DrawnControlSource. Safe to call more than once.
void InstallDrawnControlAccessibility();

}  // namespace ornyx::skin
