#include "Targcode.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "ChoiceLists.h"
#include "EditorCommon.h"
#include "EditorHost.h"
#include "ExSystem.h"
#include "Help.h"

namespace gui = quorvel::gui;

TfrmTargets::TfrmTargets(TEditorHost& host) : QMdiSubWindow(nullptr), host_(host) {
    setObjectName(QStringLiteral("frmTargets"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Objetivos"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/targets.svg")));
    gui::SetHelpContext(this, gui::help::kTargets);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    SrcList = new TCodeList(true, content);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    SrcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DstList = new TRowDragList(content);
    DstList->setObjectName(QStringLiteral("DstList"));
    DstList->SetDragCursor(gui::DragRuleCursor());
    IncludeBtn = gui::MakeMoveButton(content, "IncludeBtn", ">");
    IncAllBtn = gui::MakeMoveButton(content, "IncAllBtn", ">>");
    ExcludeBtn = gui::MakeMoveButton(content, "ExcludeBtn", "<");
    ExcAllBtn = gui::MakeMoveButton(content, "ExcAllBtn", "<<");
    layout->addLayout(
        gui::ChoiceListsLayout(content, QStringLiteral("Variáveis"), SrcList, QStringLiteral("Variáveis-Objetivo"),
                               DstList, {IncludeBtn, IncAllBtn, ExcludeBtn, ExcAllBtn}),
        1);

    auto* bottom = new QHBoxLayout;
    checkShowResults = new QCheckBox(QStringLiteral("&Mostrar resultados"), content);
    checkShowResults->setObjectName(QStringLiteral("checkShowResults"));
    bottom->addWidget(checkShowResults);
    bottom->addStretch(1);
    OKBtn = gui::MakeButton(content, "OKBtn", QStringLiteral("&OK"));
    CancelBtn = gui::MakeButton(content, "CancelBtn", QStringLiteral("Cance&lar"));
    HelpBtn = gui::MakeButton(content, "HelpBtn", QStringLiteral("Ajuda"));
    for (QPushButton* button : {OKBtn, CancelBtn, HelpBtn}) bottom->addWidget(button);
    layout->addLayout(bottom);
    setWidget(content);

    connect(IncludeBtn, &QToolButton::clicked, this, &TfrmTargets::IncludeBtnClick);
    connect(IncAllBtn, &QToolButton::clicked, this, &TfrmTargets::IncAllBtnClick);
    connect(ExcludeBtn, &QToolButton::clicked, this, &TfrmTargets::ExcludeBtnClick);
    connect(ExcAllBtn, &QToolButton::clicked, this, &TfrmTargets::ExcAllBtnClick);
    connect(SrcList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfrmTargets::SrcListClick);
    connect(SrcList, &QAbstractItemView::doubleClicked, this, &TfrmTargets::IncludeBtnClick);
    connect(DstList, &QAbstractItemView::clicked, this, &TfrmTargets::DstListClick);
    connect(DstList, &TRowListView::currentRowChanged, this, [this](int row) {
        if (row >= 0) DstListClick();
    });
    connect(DstList, &QAbstractItemView::doubleClicked, this, &TfrmTargets::ExcludeBtnClick);
    connect(DstList, &TRowDragList::rowDropped, this, &TfrmTargets::DstListDragDrop);
    connect(checkShowResults, &QCheckBox::clicked, this, &TfrmTargets::checkShowResultsClick);
    connect(OKBtn, &QPushButton::clicked, this, &TfrmTargets::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TfrmTargets::CancelBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kTargets); });

    // The base's targets in their order, then every other variable.
    quorvel::TExpertSystem& engine = host_.Engine();
    std::set<int32_t> targeted;
    std::vector<TCodeRows::TRow> chosen;
    for (const quorvel::TTargetNode& target : engine.Targets().Items()) {
        targets_.push_back(target);
        targeted.insert(target.VarCode);
        chosen.push_back({gui::Screen(engine.VarName(target.VarCode)), target.VarCode});
    }
    DstList->Rows().Assign(std::move(chosen));
    SrcList->Rows().Assign(gui::VariableRows(engine, targeted));
    DstList->setCurrentRow(-1);
    SetButtons();

    host_.EditorArea()->addSubWindow(this);
    gui::KeepMinimumSize(this, QSize(kMinimumWidth, kMinimumHeight));
    resize(440, 320);
}

TfrmTargets::~TfrmTargets() = default;

void TfrmTargets::SetButtons() {
    const bool sourceRows = SrcList->count() > 0;
    const bool targetRows = DstList->count() > 0;
    const bool targetChosen = targetRows && DstList->currentRow() >= 0 && DstList->RowSelected(DstList->currentRow());
    IncludeBtn->setEnabled(sourceRows && !SrcList->SelectedRows().empty());
    IncAllBtn->setEnabled(sourceRows);
    ExcludeBtn->setEnabled(targetChosen);
    ExcAllBtn->setEnabled(targetRows);
    checkShowResults->setEnabled(targetChosen);
    if (!targetChosen) checkShowResults->setChecked(false);
}

void TfrmTargets::Append(int32_t varCode, const QString& name) {
    targets_.push_back({varCode, true});
    const QSignalBlocker quiet(DstList);
    DstList->Rows().Add(name, varCode);
}

void TfrmTargets::IncludeBtnClick() {
    // From the last selected row to the first: several variables arrive in
    // the reverse of their alphabetical order.
    std::vector<TCodeRows::TRow> moving = SrcList->Rows().TakeRows(SrcList->SelectedRows());
    for (auto row = moving.rbegin(); row != moving.rend(); ++row) Append(row->Code, row->Text);
    SrcList->setFocus();
    SetButtons();
}

void TfrmTargets::IncAllBtnClick() {
    std::vector<TCodeRows::TRow> moving = SrcList->Rows().TakeAll();
    for (const TCodeRows::TRow& row : moving) targets_.push_back({row.Code, true});
    {
        const QSignalBlocker quiet(DstList);
        DstList->Rows().AddAll(std::move(moving));
    }
    DstList->setFocus();
    SetButtons();
}

void TfrmTargets::ExcludeBtnClick() {
    const int row = DstList->currentRow();
    if (row < 0 || row >= static_cast<int>(targets_.size())) return;
    targets_.erase(targets_.begin() + row);
    const TCodeRows::TRow moved = DstList->Rows().Take(row);
    SrcList->Rows().Add(moved.Text, moved.Code);
    {
        const QSignalBlocker quiet(DstList);
        DstList->setCurrentRow(-1);
    }
    DstList->setFocus();
    SetButtons();
}

void TfrmTargets::ExcAllBtnClick() {
    SrcList->Rows().AddAll(DstList->Rows().TakeAll());
    targets_.clear();
    SrcList->setFocus();
    SetButtons();
}

void TfrmTargets::SrcListClick() { SetButtons(); }

void TfrmTargets::DstListClick() {
    const int row = DstList->currentRow();
    SetButtons();
    if (row < 0 || row >= static_cast<int>(targets_.size())) return;
    checkShowResults->setEnabled(true);
    checkShowResults->setChecked(targets_[static_cast<std::size_t>(row)].ShowResults);
    ExcludeBtn->setEnabled(true);
}

void TfrmTargets::checkShowResultsClick() {
    const int row = DstList->currentRow();
    if (row < 0 || row >= static_cast<int>(targets_.size())) return;
    targets_[static_cast<std::size_t>(row)].ShowResults = checkShowResults->isChecked();
}

void TfrmTargets::DstListDragDrop(int from, int to) {
    const quorvel::TTargetNode moved = targets_[static_cast<std::size_t>(from)];
    targets_.erase(targets_.begin() + from);
    targets_.insert(targets_.begin() + to, moved);
    {
        const QSignalBlocker quiet(DstList);
        DstList->Rows().Move(from, to);
        DstList->setCurrentRow(to);
        // The check box waits for a click on a row.
        DstList->selectionModel()->select(DstList->model()->index(to, 0), QItemSelectionModel::Deselect);
    }
    checkShowResults->setChecked(false);
    checkShowResults->setEnabled(false);
}

void TfrmTargets::OKBtnClick() {
    saveFlag_ = true;
    close();
}

void TfrmTargets::CancelBtnClick() {
    saveFlag_ = false;
    close();
}

void TfrmTargets::closeEvent(QCloseEvent* event) {
    if (closed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    quorvel::TExpertSystem& engine = host_.Engine();
    if (saveFlag_) {
        // Only what is to be stored is checked: Cancel always closes.
        bool missing = false;
        quorvel::TVars& vars = engine.Vars();
        const auto cursors = vars.SaveCursors();
        for (const quorvel::TTargetNode& target : targets_) {
            if (vars.Find(target.VarCode)) continue;
            gui::Error(this, quorvel::msg::NoSuchVariableEntry);
            missing = true;
        }
        vars.RestoreCursors(cursors);
        if (missing) {
            event->ignore();
            return;
        }
    }
    closed_ = true;
    if (saveFlag_ && engine.MayBeAltered()) {
        engine.Targets().Clear();
        for (const quorvel::TTargetNode& target : targets_) engine.Targets().Add(target.VarCode, target.ShowResults);
        host_.SetModified();
    } else if (saveFlag_) {
        gui::Inform(this, quorvel::msg::NoAlterPermission);
    }
    host_.EditorClosed(TEditorKind::Targets);
    event->accept();
    QMdiSubWindow::closeEvent(event);
}
