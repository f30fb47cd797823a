#include "Newrule.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "DialogStacking.h"
#include "EditorCommon.h"
#include "ExEditing.h"
#include "Help.h"

namespace help = quorvel::gui::help;

namespace {

// The models offered for a new rule: "NENHUM", then "Regra N" from the last
// rule down to the first, each made when the list shows it.
class TModelEntries : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void SetRuleCount(int count) {
        beginResetModel();
        ruleCount_ = count;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : ruleCount_ + 1;
    }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid() || index.row() > ruleCount_ || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        if (index.row() == 0) return QStringLiteral("NENHUM");
        return QStringLiteral("Regra %1").arg(ruleCount_ + 1 - index.row());
    }

private:
    int ruleCount_ = 0;
};

}  // namespace

TdialogNewRule::TdialogNewRule(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogNewRule"));
    setWindowTitle(QStringLiteral("Nova Regra"));
    quorvel::gui::SetHelpContext(this, help::kNewRule);

    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    editOrder = new QLineEdit(page);
    editOrder->setObjectName(QStringLiteral("editOrder"));
    quorvel::gui::SetHelpContext(editOrder, help::kNewRuleOrder);
    comboModel = new QComboBox(page);
    comboModel->setObjectName(QStringLiteral("comboModel"));
    comboModel->setEditable(false);
    comboModel->setModel(new TModelEntries(comboModel));
    quorvel::gui::ShowEntriesAtOnce(comboModel);
    quorvel::gui::SetHelpContext(comboModel, help::kNewRuleModel);
    form->addRow(QStringLiteral("Ordem da regra:"), editOrder);
    form->addRow(QStringLiteral("Modelo:"), comboModel);
    tabs->addTab(page, QStringLiteral("Informação"));
    layout->addWidget(tabs);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    quorvel::gui::SetHelpContext(btnOk, help::kNewRuleOk);
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    quorvel::gui::SetHelpContext(btnCancel, help::kNewRuleCancel);
    btnHelp = new QPushButton(QStringLiteral("Ajuda"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton* button : {btnOk, btnCancel, btnHelp}) buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, &TdialogNewRule::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { quorvel::gui::ShowHelpContext(this, quorvel::gui::ProgramHelpFile(), help::kNewRule); });
    setMinimumWidth(300);
}

TdialogNewRule& TdialogNewRule::Instance(QWidget* parent) {
    static QPointer<TdialogNewRule> instance;
    if (!instance) instance = new TdialogNewRule(parent ? parent->window() : nullptr);
    return *instance;
}

void TdialogNewRule::Prepare(int ruleCount) {
    ruleCount_ = ruleCount;
    editOrder->setText(QString::number(ruleCount + 1));
    static_cast<TModelEntries*>(comboModel->model())->SetRuleCount(ruleCount);
    comboModel->setCurrentIndex(0);
    editOrder->selectAll();
    editOrder->setFocus();
}

bool TdialogNewRule::Ask(int ruleCount) {
    Prepare(ruleCount);
    return quorvel::gui::ExecModal(*this) == QDialog::Accepted;
}

int TdialogNewRule::ModelIndex() const { return std::max(0, comboModel->currentIndex()); }

void TdialogNewRule::btnOkClick() {
    bool isNumber = false;
    const long long typed = editOrder->text().trimmed().toLongLong(&isNumber);
    if (!isNumber || typed < 1) {
        quorvel::gui::Error(this, quorvel::msg::InvalidNewRuleOrder);
        editOrder->setFocus();
        editOrder->selectAll();
        return;
    }
    order_ = static_cast<int32_t>(std::min<long long>(typed, ruleCount_ + 1));
    accept();
}
