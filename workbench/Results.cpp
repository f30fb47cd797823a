#include "Results.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

#include "ConsultViews.h"
#include "ExConsultTree.h"
#include "ExExplain.h"
#include "Explain.h"
#include "ExSystem.h"
#include "ExText.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "RuleView.h"
#include "DialogStacking.h"

using quorvel::gui::ScreenText;

namespace {

// "tooltip|status text", the convention of every hint of the workbench.
void SetHint(QWidget* widget, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QLabel* CaptionPanel(const QString& text, QWidget* parent) {
    auto* panel = new QLabel(text, parent);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setTextFormat(Qt::PlainText);
    QFont bold = panel->font();
    bold.setBold(true);
    panel->setFont(bold);
    panel->setMinimumHeight(panel->sizeHint().height() + 6);
    return panel;
}

QWidget* NotebookPage(QLabel* caption, QWidget* control) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->setSpacing(4);
    layout->addWidget(caption);
    layout->addWidget(control, 1);
    return page;
}

QPushButton* SideButton(const QString& text, const QString& hint, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    SetHint(button, hint);
    return button;
}

}  // namespace

TfrmResults::TfrmResults(quorvel::TExpertSystem& engine, QWidget* parent)
    : QDialog(parent), engine_(engine), recorder_(std::make_unique<quorvel::TExplanationRecorder>(engine)) {
    setObjectName(QStringLiteral("frmResults"));
    setWindowTitle(QStringLiteral("Resultados"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kResults);

    // The four pages.
    panelVarName = CaptionPanel(QString(), this);
    ValuesGrid = new TValuesGrid(this);
    ValuesGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ValuesGrid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    panelTree = CaptionPanel(QStringLiteral("\u00C1rvore de pesquisa"), this);
    ConsultTree = new TConsultTree(this);
    panelAll = CaptionPanel(QStringLiteral("Todos os resultados"), this);
    AllVars = new TAllVars(this);
    panelRules = CaptionPanel(QStringLiteral("O sistema especialista"), this);
    RuleView = new TRuleView(this);

    Notebook = new QStackedWidget(this);
    Notebook->addWidget(NotebookPage(panelVarName, ValuesGrid));
    Notebook->addWidget(NotebookPage(panelTree, ConsultTree));
    Notebook->addWidget(NotebookPage(panelAll, AllVars));
    Notebook->addWidget(NotebookPage(panelRules, RuleView));

    TabSet = new QTabBar(this);
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->setExpanding(false);
    TabSet->setDrawBase(false);
    TabSet->setUsesScrollButtons(false);
    for (const char* tab : {"Resultados", "Hist\u00F3rico", "Todos os valores", "O sistema"})
        TabSet->addTab(QString::fromUtf8(tab));
    connect(TabSet, &QTabBar::currentChanged, this, [this](int index) { SetPage(index); });

    // The button column, with the buttons of the page shown.
    btnOk = new QPushButton(QStringLiteral("Fechar"), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    btnHelp = new QPushButton(QStringLiteral("Ajuda"), this);
    btnHelp->setAutoDefault(false);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        quorvel::gui::ShowHelpContext(this, quorvel::gui::ProgramHelpFile(), quorvel::gui::help::kResults);
    });

    btnHelpOnItem = SideButton(QStringLiteral("Ajuda sobre o item"),
                               QStringLiteral("Ajuda sobre o item|Explica\u00E7\u00F5es adicionais sobre a(s) "
                                              "resposta(s) encontradas."),
                               this);
    connect(btnHelpOnItem, &QPushButton::clicked, this, &TfrmResults::HelpOnItem);
    btnHow = SideButton(QStringLiteral("Como?"),
                        QStringLiteral("Como?|Mostra como o valor selecionado chegou ao seu grau de confian\u00E7a."),
                        this);
    btnWhyNot = SideButton(QStringLiteral("Por que n\u00E3o?"),
                           QStringLiteral("Por que n\u00E3o?|Explica por que um valor da vari\u00E1vel n\u00E3o "
                                          "foi conclu\u00EDdo."),
                           this);
    connect(btnHow, &QPushButton::clicked, this, &TfrmResults::ShowHow);
    connect(btnWhyNot, &QPushButton::clicked, this, &TfrmResults::ShowWhyNot);
    dialogHow = new TdialogHow(this);
    dialogWhyNot = new TdialogWhyNot(this);
    btnExpand = SideButton(QStringLiteral("Expandir tudo"),
                           QStringLiteral("Expandir tudo|Expande todos os n\u00F3s da \u00E1rvore de pesquisa."), this);
    btnCollapse = SideButton(QStringLiteral("Fechar tudo"),
                             QStringLiteral("Fechar tudo|Fecha todos os n\u00F3s da \u00E1rvore de pesquisa."), this);
    connect(btnExpand, &QPushButton::clicked, ConsultTree, &QTreeView::expandAll);
    connect(btnCollapse, &QPushButton::clicked, ConsultTree, &QTreeView::collapseAll);
    btnExpandVars =
        SideButton(QStringLiteral("Expandir tudo"),
                   QStringLiteral("Expandir tudo|Expande todas as vari\u00E1veis em exibi\u00E7\u00E3o."), this);
    btnCollapseVars =
        SideButton(QStringLiteral("Fechar tudo"),
                   QStringLiteral("Fechar tudo|Fecha todas as vari\u00E1veis em exibi\u00E7\u00E3o."), this);
    connect(btnExpandVars, &QPushButton::clicked, AllVars, &TAllVars::ExpandEverything);
    connect(btnCollapseVars, &QPushButton::clicked, AllVars, &TAllVars::CollapseEverything);

    labelHelp = new QLabel(QStringLiteral("<F2> para chamar a ajuda on-line da base."), this);
    labelHelp->setTextFormat(Qt::PlainText);
    labelHelp->setWordWrap(true);
    labelHelp->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);

    auto* column = new QVBoxLayout;
    column->addWidget(btnOk);
    column->addWidget(btnHelp);
    column->addSpacing(12);
    for (QPushButton* side : {btnHelpOnItem, btnHow, btnWhyNot, btnExpand, btnCollapse, btnExpandVars, btnCollapseVars})
        column->addWidget(side);
    column->addStretch(1);
    column->addWidget(labelHelp);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(Notebook, 1);
    left->addWidget(TabSet);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(column);
    const int columnWidth = std::max(
        {btnHelpOnItem->sizeHint().width(), btnExpand->sizeHint().width(), btnCollapseVars->sizeHint().width(), 110});
    for (QWidget* widget : std::initializer_list<QWidget*>{btnOk, btnHelp, btnHelpOnItem, btnHow, btnWhyNot, btnExpand, btnCollapse,
                                                           btnExpandVars, btnCollapseVars, labelHelp})
        widget->setFixedWidth(columnWidth);

    auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), this);
    f2->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f2, &QShortcut::activated, this, &TfrmResults::HelpOnItem);
    connect(ValuesGrid, &TValuesGrid::helpRequested, this, &TfrmResults::HelpOnItem);

    // The four tabs always show whole.
    Notebook->setMinimumWidth(TabSet->sizeHint().width());
    setMinimumSize(200, 200);
    resize(std::max(502, minimumSizeHint().width()), 373);
    SetPage(kPageResults);

    ValuesGrid->SetExpertSystem(&engine_);
    RuleView->SetExpertSystem(&engine_);
}

void TfrmResults::Prepare(int32_t varCode) {
    varCode_ = varCode;
    panelVarName->setText(ScreenText(engine_.VarName(varCode)));
    ValuesGrid->SetVarCode(varCode);
    ValuesGrid->Refresh();
    FitGridColumns();
    ConsultTree->Fill(engine_);
    AllVars->Fill(engine_);
    SetPage(kPageResults);
}

void TfrmResults::ShowFor(int32_t varCode) {
    Prepare(varCode);
    quorvel::gui::ExecModal(*this);
}

void TfrmResults::SetPage(int page) {
    if (page < 0 || page >= Notebook->count()) return;
    Notebook->setCurrentIndex(page);
    if (TabSet->currentIndex() != page) TabSet->setCurrentIndex(page);
    btnHelpOnItem->setVisible(page == kPageResults && !engine_.HelpFile.empty());
    btnHow->setVisible(page == kPageResults);
    btnWhyNot->setVisible(page == kPageResults);
    btnExpand->setVisible(page == kPageHistory);
    btnCollapse->setVisible(page == kPageHistory);
    btnExpandVars->setVisible(page == kPageAllValues);
    btnCollapseVars->setVisible(page == kPageAllValues);
}

int TfrmResults::Page() const { return Notebook->currentIndex(); }

void TfrmResults::showEvent(QShowEvent* event) {
    ShowHelpLabel();
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TfrmResults::ShowHelpLabel() {
    const bool baseHelp = !engine_.HelpFile.empty();
    labelHelp->setVisible(baseHelp);
    btnHelpOnItem->setVisible(baseHelp && Page() == kPageResults);
}

void TfrmResults::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitGridColumns();
}

void TfrmResults::FitGridColumns() {
    const int confidence = std::max(50, ValuesGrid->fontMetrics().horizontalAdvance(QStringLiteral("CNF (%)")) + 16);
    ValuesGrid->setColumnWidth(1, confidence);
}

void TfrmResults::HelpOnItem() {
    if (engine_.HelpFile.empty()) {
        quorvel::gui::ShowHelpContents(this, quorvel::gui::ProgramHelpFile());
        return;
    }
    int context = 0;
    {
        quorvel::TSavedCursors keep(engine_);
        const auto contexts = engine_.HelpContexts().SaveCursors();
        const int row = ValuesGrid->Row();
        if (row > 0 && ValuesGrid->Col() == 0) {
            const auto name = quorvel::Utf8ToCp1252(ValuesGrid->Cell(0, row).toStdString());
            quorvel::TValues& values = engine_.Values();
            if (name && values.FindNameInVar(*name, varCode_)) {
                const int32_t valueCode = values.CurrentVal()->Code;
                if (engine_.HelpContexts().Find(valueCode)) context = engine_.HelpContexts().GetHelpContext();
            }
        }
        engine_.HelpContexts().RestoreCursors(contexts);
    }
    quorvel::gui::ShowBaseHelp(this, ScreenText(engine_.HelpFile), baseFile_, context);
}

TfrmResults::~TfrmResults() = default;

std::string TfrmResults::SelectedValueText() const {
    const int row = ValuesGrid->Row();
    if (row <= 0) return {};
    return quorvel::Utf8ToCp1252(ValuesGrid->Cell(0, row).toStdString()).value_or(std::string());
}

void TfrmResults::ShowHow() {
    const std::string value = SelectedValueText();
    if (value.empty()) return;
    dialogHow->Fill(engine_, *recorder_, varCode_, value);
    dialogHow->exec();
}

void TfrmResults::ShowWhyNot() {
    dialogWhyNot->Fill(engine_, *recorder_, varCode_, SelectedValueText());
    dialogWhyNot->exec();
}
