// The rows of a list whose rows each stand for a record of the base: the
// text shown and the record's code. A sorted list keeps its rows in the
// order of their texts without regard to letter case (rows of equal text in
// the order they came); an unsorted one keeps them where they were put.
// Shown through a TRowListView, which asks only for the rows on screen.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "RowListView.h"

class TCodeRows : public QAbstractListModel {
    Q_OBJECT

public:
    // Item data: the row's record code.
    static constexpr int kCodeRole = Qt::UserRole;

    struct TRow {
        QString Text;
        int32_t Code = 0;
    };

    TCodeRows(bool sorted, QObject* parent);

    // All rows at once, in place of the old ones.
    void Assign(std::vector<TRow> rows);
    // Adds a row where it belongs (at the end of an unsorted list); returns its row.
    int Add(const QString& text, int32_t code);
    void Insert(int row, const QString& text, int32_t code);
    // Takes a row out of the list.
    TRow Take(int row);
    // Takes several rows out at once (rows in ascending order); returns them in that order.
    std::vector<TRow> TakeRows(const std::vector<int>& rows);
    std::vector<TRow> TakeAll();
    // Adds many rows at once: appended, or merged into a sorted list.
    void AddAll(std::vector<TRow> rows);
    // Moves a row to another place of an unsorted list.
    void Move(int from, int to);
    // A row shows another text; in a sorted list it moves to its new place
    // (taken out and added again). Returns the row it ends on.
    int SetText(int row, const QString& text);
    void Clear() { Assign({}); }

    int Count() const { return static_cast<int>(rows_.size()); }
    QString Text(int row) const;
    // The code of a row, 0 outside the list.
    int32_t Code(int row) const;
    // The row with this code, or -1.
    int RowOfCode(int32_t code) const;
    // The row showing this text (letter case ignored), or -1.
    int RowOfText(const QString& text) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // Where a row with this text goes in a sorted list: after its equals.
    int PlaceOf(const QString& text) const;

    bool sorted_;
    std::vector<TRow> rows_;
};

// A list view showing rows of its own (TCodeRows).
class TCodeList : public TRowListView {
    Q_OBJECT

public:
    explicit TCodeList(bool sorted, QWidget* parent = nullptr);

    TCodeRows& Rows() const { return *rows_; }
    // The code of the current row, 0 without one.
    int32_t CurrentCode() const { return rows_->Code(currentRow()); }

private:
    TCodeRows* rows_;
};
