#include "AddWVars.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "DialogStacking.h"
#include "EditorCommon.h"
#include "ExSystem.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "WatchPanel.h"

TdialogAddVars::TdialogAddVars(quorvel::TExpertSystem& engine, TWatchPanel& watchPanel, QWidget* parent)
    : QDialog(parent), engine_(engine), watchPanel_(watchPanel) {
    setObjectName(QStringLiteral("dialogAddVars"));
    setWindowTitle(QStringLiteral("Adicionar Vari\u00E1veis"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kAddWatch);

    pageRemaining = new QTabWidget(this);
    listVars = new TCodeList(true);
    listVars->setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    connect(listVars, &QAbstractItemView::doubleClicked, this, &QDialog::accept);

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
    listVars->Rows().Assign(quorvel::gui::VariableRows(engine_, watchPanel_.Watched()));
    // The first row has the keyboard, nothing is chosen yet.
    if (listVars->count() > 0)
        listVars->selectionModel()->setCurrentIndex(listVars->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    QDialog::showEvent(event);
}

void TdialogAddVars::accept() {
    for (int row : listVars->SelectedRows()) watchPanel_.AddVariable(listVars->Rows().Code(row));
    QDialog::accept();
}

void TdialogAddVars::hideEvent(QHideEvent* event) {
    engine_.Vars().RestoreCursors(saved_);
    QDialog::hideEvent(event);
}
