// TdialogNewRule: the order number of a new rule and, optionally, an existing
// rule to start from.
#pragma once

#include <QDialog>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;

class TdialogNewRule : public QDialog {
    Q_OBJECT

public:
    explicit TdialogNewRule(QWidget* parent = nullptr);
    // The one new-rule dialog of the program, created on first use.
    static TdialogNewRule& Instance(QWidget* parent);

    // Prepares the dialog for a base of `ruleCount` rules: the order N + 1,
    // "NENHUM" and one model entry per rule, from rule N down to rule 1.
    void Prepare(int ruleCount);
    // Prepares and shows the dialog; true on OK.
    bool Ask(int ruleCount);

    // Results, read after OK.
    int32_t Order() const { return order_; }
    // 0 = "NENHUM"; entry i stands for the rule numbered N + 1 - i.
    int ModelIndex() const;

    QLineEdit* editOrder = nullptr;
    QComboBox* comboModel = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    void btnOkClick();

private:
    int ruleCount_ = 0;
    int32_t order_ = 1;
};
