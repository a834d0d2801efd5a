#include "skin/DrawnAccessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

namespace ornyx::skin {
namespace {

class DrawnWindowAccessible;

// One drawn control: reads its data from the window at every question, so that
// it follows page switches and value changes without being told.
class DrawnControlAccessible : public QAccessibleInterface {
public:
    DrawnControlAccessible(DrawnWindowAccessible& window, int index)
        : window_(&window), index_(index) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

    void Forget() { window_ = nullptr; }

private:
    bool Control(DrawnControl& out) const;
    DrawnWindowAccessible* window_;
    int index_;
};

class DrawnWindowAccessible : public QAccessibleWidget {
public:
    DrawnWindowAccessible(QWidget* widget, const DrawnControlSource& source)
        : QAccessibleWidget(widget, QAccessible::Window), source_(&source) {}
    ~DrawnWindowAccessible() override {
        for (const QAccessible::Id id : ids_) {
            if (auto* c =
                    static_cast<DrawnControlAccessible*>(QAccessible::accessibleInterface(id)))
                c->Forget();
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    std::vector<DrawnControl> Controls() const {
        return widget() != nullptr ? source_->DrawnControls() : std::vector<DrawnControl>{};
    }
    int WidgetChildren() const { return QAccessibleWidget::childCount(); }
    QWidget* Window() const { return widget(); }

    int childCount() const override {
        return WidgetChildren() + static_cast<int>(Controls().size());
    }
    QAccessibleInterface* child(int index) const override {
        const int widgets = WidgetChildren();
        if (index < widgets) return QAccessibleWidget::child(index);
        const int drawn = index - widgets;
        if (drawn >= static_cast<int>(Controls().size())) return nullptr;
        return Drawn(drawn);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < ids_.size(); ++i) {
            if (QAccessible::accessibleInterface(ids_[i]) == child)
                return WidgetChildren() + static_cast<int>(i);
        }
        return QAccessibleWidget::indexOfChild(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (widget() == nullptr) return nullptr;
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        const auto controls = Controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].rect.contains(local)) return Drawn(static_cast<int>(i));
        }
        return QAccessibleWidget::childAt(x, y);
    }

private:
    QAccessibleInterface* Drawn(int index) const {
        while (static_cast<int>(ids_.size()) <= index) {
            auto* c = new DrawnControlAccessible(const_cast<DrawnWindowAccessible&>(*this),
                                                 static_cast<int>(ids_.size()));
            ids_.push_back(QAccessible::registerAccessibleInterface(c));
        }
        return QAccessible::accessibleInterface(ids_[static_cast<std::size_t>(index)]);
    }

    const DrawnControlSource* source_;
    mutable std::vector<QAccessible::Id> ids_;
};

bool DrawnControlAccessible::Control(DrawnControl& out) const {
    if (window_ == nullptr) return false;
    const auto controls = window_->Controls();
    if (index_ >= static_cast<int>(controls.size())) return false;
    out = controls[static_cast<std::size_t>(index_)];
    return true;
}

bool DrawnControlAccessible::isValid() const {
    DrawnControl c;
    return Control(c);
}

QAccessibleInterface* DrawnControlAccessible::parent() const {
    return window_;
}

QString DrawnControlAccessible::text(QAccessible::Text t) const {
    DrawnControl c;
    if (!Control(c)) return {};
    if (t == QAccessible::Name) return c.name;
    if (t == QAccessible::Value) return c.value;
    return {};
}

QRect DrawnControlAccessible::rect() const {
    DrawnControl c;
    if (!Control(c) || window_->Window() == nullptr) return {};
    return QRect(window_->Window()->mapToGlobal(c.rect.topLeft()), c.rect.size());
}

QAccessible::Role DrawnControlAccessible::role() const {
    DrawnControl c;
    return Control(c) ? c.role : QAccessible::NoRole;
}

QAccessible::State DrawnControlAccessible::state() const {
    QAccessible::State s;
    DrawnControl c;
    if (!Control(c)) {
        s.invalid = true;
        return s;
    }
    s.checkable = c.checkable;
    s.checked = c.checked;
    s.invisible = window_->Window() == nullptr || !window_->Window()->isVisible();
    return s;
}

QAccessibleInterface* Factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) return nullptr;
    if (const auto* source = dynamic_cast<const DrawnControlSource*>(widget)) {
        return new DrawnWindowAccessible(widget, *source);
    }
    return nullptr;
}

}  // namespace

void InstallDrawnControlAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(&Factory);
}

}  // namespace ornyx::skin
