#include "RuleRows.h"

#include <algorithm>

#include "ExSystem.h"
#include "ExText.h"

TRuleRows::TRuleRows(quorvel::TExpertSystem& engine, QObject* parent) : QAbstractListModel(parent), engine_(engine) {}

QString TRuleRows::RowText(int32_t order, const std::string& name) {
    return QStringLiteral("REGRA  %1     %2").arg(order).arg(QString::fromStdString(quorvel::Cp1252ToUtf8(name)));
}

void TRuleRows::Refill() {
    beginResetModel();
    codes_.clear();
    const std::vector<quorvel::TNode*> rules = engine_.Rules().Records(quorvel::kKeyThird);
    codes_.reserve(rules.size());
    for (const quorvel::TNode* rule : rules) codes_.push_back(rule->Code);
    endResetModel();
}

void TRuleRows::Reread(int first, int last) {
    first = std::max(0, first);
    last = std::min(last, rowCount() - 1);
    if (first > last) return;
    quorvel::TRules& rules = engine_.Rules();
    const auto cursors = rules.SaveCursors();
    for (int row = first; row <= last; ++row)
        if (rules.FindByOrder(row + 1)) codes_[static_cast<std::size_t>(row)] = rules.CurrentVal()->Code;
    rules.RestoreCursors(cursors);
    emit dataChanged(index(first), index(last));
}

void TRuleRows::Append(int32_t ruleCode) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    codes_.push_back(ruleCode);
    endInsertRows();
}

void TRuleRows::Remove(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows(QModelIndex(), row, row);
    codes_.erase(codes_.begin() + row);
    endRemoveRows();
}

int32_t TRuleRows::CodeAt(int row) const {
    return row >= 0 && row < rowCount() ? codes_[static_cast<std::size_t>(row)] : 0;
}

int TRuleRows::RowOf(int32_t ruleCode) const {
    const auto found = std::find(codes_.begin(), codes_.end(), ruleCode);
    return found == codes_.end() ? -1 : static_cast<int>(found - codes_.begin());
}

int TRuleRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(codes_.size());
}

QVariant TRuleRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int32_t code = codes_[static_cast<std::size_t>(index.row())];
    if (role == kRuleCodeRole) return code;
    if (role != Qt::DisplayRole && role != kRuleOrderRole) return {};
    // The views walk the containers without disturbing the engine's cursors.
    quorvel::TRules& rules = engine_.Rules();
    const auto cursors = rules.SaveCursors();
    QVariant value;
    if (rules.Find(code)) {
        const quorvel::TValNode* rule = rules.CurrentVal();
        value = role == kRuleOrderRole ? QVariant(rule->VarCode) : QVariant(RowText(rule->VarCode, rule->Name));
    }
    rules.RestoreCursors(cursors);
    return value;
}
