// A list view with the row conveniences of a list widget (count, current
// row, a row's text), for lists whose rows come from a model that reads them
// on demand: every row has the same height, so only the rows on screen are
// ever asked for, and a list of tens of thousands of rows shows at once.
#pragma once

#include <QListView>
#include <QString>
#include <vector>

class TRowListView : public QListView {
    Q_OBJECT

public:
    explicit TRowListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    int count() const;
    // The current row, -1 without one.
    int currentRow() const;
    // Makes `row` current and the only selected row, as a click does; -1
    // leaves no row current.
    void setCurrentRow(int row);
    // The text a row shows ("" outside the list).
    QString RowText(int row) const;
    // The selected rows, in ascending order.
    std::vector<int> SelectedRows() const;
    bool RowSelected(int row) const;

signals:
    // The current row changed (-1: none).
    void currentRowChanged(int row);
};
