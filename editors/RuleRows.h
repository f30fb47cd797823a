// The rows of the rule-base window's list: one per rule, in order of the
// rules' numbers. The model keeps only each row's rule code; a row's text
// ("REGRA  12     Diagnóstico") is read from the base when the list draws
// it, so a base of 32,767 rules fills the list at once.
#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {
class TExpertSystem;
}

class TRuleRows : public QAbstractListModel {
    Q_OBJECT

public:
    // Item data of a row besides its text.
    static constexpr int kRuleCodeRole = Qt::UserRole;
    static constexpr int kRuleOrderRole = Qt::UserRole + 1;

    TRuleRows(quorvel::TExpertSystem& engine, QObject* parent);

    // "REGRA  12     Diagnóstico" (the name in the base's code page).
    static QString RowText(int32_t order, const std::string& name);

    // One row per rule of the base, in ascending order number.
    void Refill();
    // Rows first..last take the rules numbered row + 1 again.
    void Reread(int first, int last);
    // A row at the end for the rule with this code.
    void Append(int32_t ruleCode);
    void Remove(int row);
    int32_t CodeAt(int row) const;
    // The row of a rule, -1 when the list has none.
    int RowOf(int32_t ruleCode) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    quorvel::TExpertSystem& engine_;
    std::vector<int32_t> codes_;
};
