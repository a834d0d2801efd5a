#include "keys/ui/PopupList.h"

#include "skin/PopupFrame.h"

namespace ornyx::keys::ui {

PopupList::PopupList(QWidget& owner, const QRect& area, Style style, Chosen chosen)
    : owner_(owner), area_(area), style_(std::move(style)), chosen_(std::move(chosen)) {}

PopupList::~PopupList() {
    Close();
}

void PopupList::Open(const QStringList& entries) {
    Close();
    auto* list = new QListWidget(&owner_);
    list->setGeometry(area_);
    list->setFrameShape(QFrame::Box);
    list->setLineWidth(1);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setUniformItemSizes(true);
    list->addItems(entries);
    if (style_) style_(*list);
    skin::SelectEntryUnderPointer(*list);
    QObject::connect(list, &QListWidget::itemClicked, list, [this, list](QListWidgetItem* item) {
        if (list != list_ || item == nullptr) return;
        const int row = list->row(item);
        const QString text = item->text();
        // The choice may close the list and open a modal dialog: copy first.
        if (chosen_) chosen_(row, text);
    });
    list->show();
    list->raise();
    list_ = list;
}

void PopupList::Close() {
    if (list_.isNull()) return;
    QListWidget* list = list_;
    list_ = nullptr;
    list->blockSignals(true);
    list->hide();
    list->deleteLater();
}

}  // namespace ornyx::keys::ui
