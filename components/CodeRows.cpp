#include "CodeRows.h"

#include <algorithm>

namespace {

bool TextBefore(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; }

}  // namespace

TCodeRows::TCodeRows(bool sorted, QObject* parent) : QAbstractListModel(parent), sorted_(sorted) {}

void TCodeRows::Assign(std::vector<TRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    if (sorted_)
        std::stable_sort(rows_.begin(), rows_.end(),
                         [](const TRow& a, const TRow& b) { return TextBefore(a.Text, b.Text); });
    endResetModel();
}

int TCodeRows::PlaceOf(const QString& text) const {
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), text,
                                        [](const QString& t, const TRow& row) { return TextBefore(t, row.Text); });
    return static_cast<int>(place - rows_.begin());
}

int TCodeRows::Add(const QString& text, int32_t code) {
    const int row = sorted_ ? PlaceOf(text) : Count();
    Insert(row, text, code);
    return row;
}

void TCodeRows::Insert(int row, const QString& text, int32_t code) {
    row = std::clamp(row, 0, Count());
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, TRow{text, code});
    endInsertRows();
}

TCodeRows::TRow TCodeRows::Take(int row) {
    if (row < 0 || row >= Count()) return {};
    beginRemoveRows(QModelIndex(), row, row);
    TRow taken = std::move(rows_[static_cast<std::size_t>(row)]);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return taken;
}

std::vector<TCodeRows::TRow> TCodeRows::TakeRows(const std::vector<int>& rows) {
    std::vector<TRow> taken;
    if (rows.size() == 1) {
        taken.push_back(Take(rows.front()));
        return taken;
    }
    beginResetModel();
    std::vector<bool> leaving(rows_.size(), false);
    for (int row : rows)
        if (row >= 0 && row < Count()) leaving[static_cast<std::size_t>(row)] = true;
    std::vector<TRow> kept;
    kept.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) (leaving[i] ? taken : kept).push_back(std::move(rows_[i]));
    rows_ = std::move(kept);
    endResetModel();
    return taken;
}

std::vector<TCodeRows::TRow> TCodeRows::TakeAll() {
    beginResetModel();
    std::vector<TRow> taken = std::move(rows_);
    rows_.clear();
    endResetModel();
    return taken;
}

void TCodeRows::AddAll(std::vector<TRow> rows) {
    if (rows.empty()) return;
    std::vector<TRow> all = std::move(rows_);
    all.insert(all.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    Assign(std::move(all));
}

void TCodeRows::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
    // Qt counts the destination before the row leaves its place.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    TRow moved = std::move(rows_[static_cast<std::size_t>(from)]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(moved));
    endMoveRows();
}

int TCodeRows::SetText(int row, const QString& text) {
    if (row < 0 || row >= Count()) return -1;
    if (sorted_) return Add(text, Take(row).Code);
    rows_[static_cast<std::size_t>(row)].Text = text;
    emit dataChanged(index(row), index(row));
    return row;
}

QString TCodeRows::Text(int row) const {
    return row >= 0 && row < Count() ? rows_[static_cast<std::size_t>(row)].Text : QString();
}

int32_t TCodeRows::Code(int row) const {
    return row >= 0 && row < Count() ? rows_[static_cast<std::size_t>(row)].Code : 0;
}

int TCodeRows::RowOfCode(int32_t code) const {
    const auto found = std::find_if(rows_.begin(), rows_.end(), [code](const TRow& row) { return row.Code == code; });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

int TCodeRows::RowOfText(const QString& text) const {
    const auto found = std::find_if(rows_.begin(), rows_.end(), [&text](const TRow& row) {
        return row.Text.compare(text, Qt::CaseInsensitive) == 0;
    });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

int TCodeRows::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant TCodeRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const TRow& row = rows_[static_cast<std::size_t>(index.row())];
    // An editable combo box reads its entries' texts as edit data.
    if (role == Qt::DisplayRole || role == Qt::EditRole) return row.Text;
    if (role == kCodeRole) return row.Code;
    return {};
}

TCodeList::TCodeList(bool sorted, QWidget* parent) : TRowListView(parent), rows_(new TCodeRows(sorted, this)) {
    setModel(rows_);
}
