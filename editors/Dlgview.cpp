#include "Dlgview.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ChoiceLists.h"
#include "DialogStacking.h"
#include "EditorCommon.h"
#include "ExSystem.h"
#include "Help.h"

namespace gui = quorvel::gui;

TdialogView::TdialogView(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogView"));
    setWindowTitle(QStringLiteral("Visualizar"));
    gui::SetHelpContext(this, gui::help::kRuleViewer);

    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    auto* choice = new QVBoxLayout(page);
    radioAll = new QRadioButton(QStringLiteral("&Todas as regras"), page);
    radioAll->setObjectName(QStringLiteral("radioAll"));
    radioHeads = new QRadioButton(QStringLiteral("&Regras que contenham as seguintes variáveis na conclusão:"), page);
    radioHeads->setObjectName(QStringLiteral("radioHeads"));
    radioAll->setChecked(true);
    choice->addWidget(radioAll);
    choice->addWidget(radioHeads);
    SrcList = new TCodeList(true, page);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    SrcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DstList = new TCodeList(true, page);
    DstList->setObjectName(QStringLiteral("DstList"));
    DstList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IncludeBtn = gui::MakeMoveButton(page, "IncludeBtn", ">");
    IncAllBtn = gui::MakeMoveButton(page, "IncAllBtn", ">>");
    ExcludeBtn = gui::MakeMoveButton(page, "ExcludeBtn", "<");
    ExcAllBtn = gui::MakeMoveButton(page, "ExcAllBtn", "<<");
    choice->addLayout(
        gui::ChoiceListsLayout(page, QStringLiteral("Variáveis:"), SrcList, QStringLiteral("Variáveis para exibição:"),
                               DstList, {IncludeBtn, IncAllBtn, ExcludeBtn, ExcAllBtn}),
        1);
    tabs->addTab(page, QStringLiteral("Regras"));
    layout->addWidget(tabs, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("Ajuda"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton* button : {btnOk, btnCancel, btnHelp}) buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(IncludeBtn, &QToolButton::clicked, this, &TdialogView::IncludeBtnClick);
    connect(IncAllBtn, &QToolButton::clicked, this, &TdialogView::IncAllBtnClick);
    connect(ExcludeBtn, &QToolButton::clicked, this, &TdialogView::ExcludeBtnClick);
    connect(ExcAllBtn, &QToolButton::clicked, this, &TdialogView::ExcAllBtnClick);
    connect(SrcList, &QAbstractItemView::doubleClicked, this, &TdialogView::IncludeBtnClick);
    connect(DstList, &QAbstractItemView::doubleClicked, this, &TdialogView::ExcludeBtnClick);
    connect(SrcList, &QAbstractItemView::clicked, this, &TdialogView::SrcListClick);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kRuleViewer); });
    resize(520, 360);
}

TdialogView& TdialogView::Instance(QWidget* parent) {
    static QPointer<TdialogView> instance;
    if (!instance) instance = new TdialogView(parent ? parent->window() : nullptr);
    return *instance;
}

void TdialogView::Prepare(quorvel::TExpertSystem& engine) {
    SrcList->Rows().Assign(gui::VariableRows(engine));
    DstList->Rows().Clear();
    radioAll->setChecked(true);
    SetButtons();
}

bool TdialogView::Ask(quorvel::TExpertSystem& engine) {
    Prepare(engine);
    return quorvel::gui::ExecModal(*this) == QDialog::Accepted;
}

bool TdialogView::OnlyChosen() const { return radioHeads->isChecked(); }

std::set<int32_t> TdialogView::Chosen() const {
    std::set<int32_t> codes;
    for (int row = 0; row < DstList->count(); ++row) codes.insert(DstList->Rows().Code(row));
    return codes;
}

void TdialogView::SetButtons() {
    IncludeBtn->setEnabled(SrcList->count() > 0);
    IncAllBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(DstList->count() > 0);
    ExcAllBtn->setEnabled(DstList->count() > 0);
}

void TdialogView::MoveSelected(TCodeList* from, TCodeList* to) {
    const std::vector<int> selected = from->SelectedRows();
    const int first = selected.empty() ? -1 : selected.front();
    to->Rows().AddAll(from->Rows().TakeRows(selected));
    from->setFocus();
    from->clearSelection();
    if (from->count() > 0) {
        const int select = first < 0 ? 0 : std::min(first, from->count() - 1);
        from->setCurrentRow(select);
        from->selectionModel()->select(from->model()->index(select, 0), QItemSelectionModel::Select);
    }
    SetButtons();
}

void TdialogView::MoveAll(TCodeList* from, TCodeList* to) {
    to->Rows().AddAll(from->Rows().TakeAll());
    to->setCurrentRow(0);
    SetButtons();
}

void TdialogView::IncludeBtnClick() { MoveSelected(SrcList, DstList); }
void TdialogView::IncAllBtnClick() { MoveAll(SrcList, DstList); }
void TdialogView::ExcludeBtnClick() { MoveSelected(DstList, SrcList); }
void TdialogView::ExcAllBtnClick() { MoveAll(DstList, SrcList); }
void TdialogView::SrcListClick() { radioHeads->setChecked(true); }
