#pragma once

#include <QListWidget>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <functional>

namespace ornyx::keys::ui {

// A drop-down list that exists only while it is open: created with its
// entries when it opens, destroyed when it closes. A click on an entry is the
// choice; moving the pointer over it only highlights.
class PopupList {
public:
    using Chosen = std::function<void(int row, const QString& text)>;
    using Style = std::function<void(QListWidget&)>;

    PopupList(QWidget& owner, const QRect& area, Style style, Chosen chosen);
    PopupList(const PopupList&) = delete;
    PopupList& operator=(const PopupList&) = delete;
    ~PopupList();

    bool IsOpen() const { return !list_.isNull(); }
    void Open(const QStringList& entries);
    // Safe to call from the list's own signals: the list is hidden and
    // silenced at once and deleted later.
    void Close();
    const QRect& Area() const { return area_; }
    QListWidget* List() const { return list_.data(); }

private:
    QWidget& owner_;
    QRect area_;
    Style style_;
    Chosen chosen_;
    QPointer<QListWidget> list_;
};

}  // namespace ornyx::keys::ui
