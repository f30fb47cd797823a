#include "OpenImages.h"

#include <QIcon>
#include <QTreeView>

namespace quorvel::gui {

QVariant ShownDecoration(const QTreeView* view, const QModelIndex& index) {
    if (view->isExpanded(index)) {
        const QVariant open = index.data(kOpenDecorationRole);
        if (open.isValid()) return open;
    }
    return index.data(Qt::DecorationRole);
}

TOpenImageDelegate::TOpenImageDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {
    view->setItemDelegate(this);
}

void TOpenImageDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (view_->isExpanded(index)) option->icon = ShownDecoration(view_, index).value<QIcon>();
}

}  // namespace quorvel::gui
