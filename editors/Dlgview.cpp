#include "Dlgview.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ChoiceLists.h"
#include "EditorCommon.h"
#include "ExSystem.h"
#include "Help.h"
#include "DialogStacking.h"

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
    SrcList = new QListWidget(page);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    SrcList->setSortingEnabled(true);
    SrcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DstList = new QListWidget(page);
    DstList->setObjectName(QStringLiteral("DstList"));
    DstList->setSortingEnabled(true);
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
    connect(SrcList, &QListWidget::itemDoubleClicked, this, &TdialogView::IncludeBtnClick);
    connect(DstList, &QListWidget::itemDoubleClicked, this, &TdialogView::ExcludeBtnClick);
    connect(SrcList, &QListWidget::itemClicked, this, &TdialogView::SrcListClick);
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
    SrcList->clear();
    DstList->clear();
    for (const quorvel::TNode* node : engine.Vars().Records(quorvel::kKeyCode)) {
        auto* row = new gui::TSortedItem(gui::Screen(static_cast<const quorvel::TVarNode*>(node)->Name));
        row->setData(gui::kCodeRole, node->Code);
        SrcList->addItem(row);
    }
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
    for (int row = 0; row < DstList->count(); ++row) codes.insert(gui::CodeOf(DstList->item(row)));
    return codes;
}

void TdialogView::SetButtons() {
    IncludeBtn->setEnabled(SrcList->count() > 0);
    IncAllBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(DstList->count() > 0);
    ExcAllBtn->setEnabled(DstList->count() > 0);
}

void TdialogView::MoveSelected(QListWidget* from, QListWidget* to) {
    int first = -1;
    for (int row = from->count() - 1; row >= 0; --row) {
        QListWidgetItem* item = from->item(row);
        if (!item->isSelected()) continue;
        first = row;
        gui::MoveRowSorted(from, row, to);
    }
    from->setFocus();
    from->clearSelection();
    if (from->count() > 0) {
        const int select = first < 0 ? 0 : std::min(first, from->count() - 1);
        from->setCurrentRow(select);
        from->item(select)->setSelected(true);
    }
    SetButtons();
}

void TdialogView::MoveAll(QListWidget* from, QListWidget* to) {
    while (from->count() > 0) gui::MoveRowSorted(from, 0, to);
    to->setCurrentRow(0);
    SetButtons();
}

void TdialogView::IncludeBtnClick() { MoveSelected(SrcList, DstList); }
void TdialogView::IncAllBtnClick() { MoveAll(SrcList, DstList); }
void TdialogView::ExcludeBtnClick() { MoveSelected(DstList, SrcList); }
void TdialogView::ExcAllBtnClick() { MoveAll(DstList, SrcList); }
void TdialogView::SrcListClick() { radioHeads->setChecked(true); }
