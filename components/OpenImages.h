// Trees whose branches show one image closed and another open. The model
// gives the open image of a branch under kOpenDecorationRole beside its usual
// one; the view picks between them as it draws, so opening or closing any
// number of branches (one by one or all at once) changes no data at all.
#pragma once

#include <QStyledItemDelegate>
#include <QVariant>

class QTreeView;

namespace quorvel::gui {

// Item data: the image a branch shows while open.
inline constexpr int kOpenDecorationRole = Qt::UserRole + 64;

// The image `view` shows for `index`: the open one while it is expanded.
QVariant ShownDecoration(const QTreeView* view, const QModelIndex& index);

// Draws the rows of `view` with the image ShownDecoration picks; it installs
// itself as the view's item delegate.
class TOpenImageDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit TOpenImageDelegate(QTreeView* view);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QTreeView* view_;
};

}  // namespace quorvel::gui
