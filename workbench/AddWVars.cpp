#include "AddWVars.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ExSystem.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "WatchPanel.h"
#include "DialogStacking.h"

namespace {

constexpr int kCodeRole = Qt::UserRole + 1;

}  // namespace

TdialogAddVars::TdialogAddVars(quorvel::TExpertSystem& engine, TWatchPanel& watchPanel, QWidget* parent)
    : QDialog(parent), engine_(engine), watchPanel_(watchPanel) {
    setObjectName(QStringLiteral("dialogAddVars"));
    setWindowTitle(QStringLiteral("Adicionar Vari\u00E1veis"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kAddWatch);

    pageRemaining = new QTabWidget(this);
    listVars = new QListWidget;
    listVars->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listVars->setSortingEnabled(true);
    pageRemaining->addTab(listVars, QStringLiteral("Restantes"));

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setAutoDefault(false);
    btnHelp = new QPushButton(QStringLiteral("Ajuda"), this);
    btnHelp->setAutoDefault(false);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { quorvel::gui::ShowHelpFor(this); });
    connect(listVars, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pageRemaining, 1);
    layout->addLayout(buttons);
    resize(340, 280);
}

bool TdialogAddVars::Execute() { return quorvel::gui::ExecModal(*this) == QDialog::Accepted; }

void TdialogAddVars::showEvent(QShowEvent* event) {
    saved_ = engine_.Vars().SaveCursors();
    listVars->clear();
    const std::set<int32_t>& watched = watchPanel_.Watched();
    for (const quorvel::TNode* node : engine_.Vars().Records(quorvel::kKeyName)) {
        const auto* var = static_cast<const quorvel::TVarNode*>(node);
        if (watched.count(var->Code)) continue;
        auto* item = new QListWidgetItem(quorvel::gui::ScreenText(var->Name));
        item->setData(kCodeRole, var->Code);
        listVars->addItem(item);
    }
    if (listVars->count() > 0) listVars->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QDialog::showEvent(event);
}

void TdialogAddVars::accept() {
    for (const QListWidgetItem* item : listVars->selectedItems())
        watchPanel_.AddVariable(static_cast<int32_t>(item->data(kCodeRole).toInt()));
    QDialog::accept();
}

void TdialogAddVars::hideEvent(QHideEvent* event) {
    engine_.Vars().RestoreCursors(saved_);
    QDialog::hideEvent(event);
}
