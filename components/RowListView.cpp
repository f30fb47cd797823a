#include "RowListView.h"

#include <QItemSelectionModel>
#include <algorithm>

TRowListView::TRowListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TRowListView::setModel(QAbstractItemModel* model) {
    QListView::setModel(model);
    if (QItemSelectionModel* selection = selectionModel())
        connect(selection, &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) { emit currentRowChanged(current.isValid() ? current.row() : -1); });
}

int TRowListView::count() const { return model() ? model()->rowCount() : 0; }

int TRowListView::currentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TRowListView::setCurrentRow(int row) {
    if (!model()) return;
    const QModelIndex index = model()->index(row, 0);
    // As a list widget does: a single-selection list selects the row it makes current.
    const QItemSelectionModel::SelectionFlags how =
        selectionMode() == SingleSelection ? QItemSelectionModel::ClearAndSelect
        : selectionMode() == NoSelection   ? QItemSelectionModel::NoUpdate
                                           : QItemSelectionModel::SelectCurrent;
    selectionModel()->setCurrentIndex(index, how);
}

QString TRowListView::RowText(int row) const {
    return model() ? model()->index(row, 0).data(Qt::DisplayRole).toString() : QString();
}

std::vector<int> TRowListView::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TRowListView::RowSelected(int row) const {
    return model() && selectionModel() && selectionModel()->isRowSelected(row, QModelIndex());
}
