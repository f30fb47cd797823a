#include "AskCode.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "ChoiceLists.h"
#include "EditorCommon.h"
#include "EditorHost.h"
#include "ExSystem.h"
#include "Help.h"

namespace gui = quorvel::gui;

TfrmQuestions::TfrmQuestions(TEditorHost& host)
    : QMdiSubWindow(nullptr), host_(host), questions_(&host.Engine().Sink()) {
    setObjectName(QStringLiteral("frmQuestions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Interface"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/questions.svg")));
    gui::SetHelpContext(this, gui::help::kQuestions);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    SrcList = new TCodeList(true, content);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    DstList = new TCodeList(true, content);
    DstList->setObjectName(QStringLiteral("DstList"));
    IncludeBtn = gui::MakeMoveButton(content, "IncludeBtn", ">");
    gui::SetHint(IncludeBtn, QStringLiteral("Nova pergunta|Associa uma pergunta à variável selecionada à esquerda."));
    ExcludeBtn = gui::MakeMoveButton(content, "ExcludeBtn", "<");
    gui::SetHint(ExcludeBtn,
                 QStringLiteral("Remover pergunta|Retira  pergunta relacionada com a variável selecionada à direita."));
    layout->addLayout(
        gui::ChoiceListsLayout(content, QStringLiteral("Variáveis restantes:"), SrcList,
                               QStringLiteral("Variáveis com perguntas:"), DstList, {IncludeBtn, ExcludeBtn}),
        2);

    auto* panelQuestions = new QGridLayout;
    labelQuestion = new QLabel(QStringLiteral("Pergunta:"), content);
    editQuestion = new QLineEdit(content);
    editQuestion->setObjectName(QStringLiteral("editQuestion"));
    editQuestion->setMaxLength(static_cast<int>(quorvel::kShortStringMax));
    labelWhy = new QLabel(QStringLiteral("Motivo/Ajuda:"), content);
    memoWhy = new QPlainTextEdit(content);
    memoWhy->setObjectName(QStringLiteral("memoWhy"));
    memoWhy->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Three lines at least; it grows with the window, as the lists do.
    memoWhy->setMinimumHeight(3 * memoWhy->fontMetrics().lineSpacing() + 12);
    checkUseCNF = new QCheckBox(QStringLiteral("Usar CN&F"), content);
    checkUseCNF->setObjectName(QStringLiteral("checkUseCNF"));
    gui::SetHint(checkUseCNF, QStringLiteral("Permite a entrada de graus de confiança na pergunta."));
    labelQuestion->setBuddy(editQuestion);
    labelWhy->setBuddy(memoWhy);
    panelQuestions->addWidget(labelQuestion, 0, 0);
    panelQuestions->addWidget(editQuestion, 0, 1);
    panelQuestions->addWidget(labelWhy, 1, 0, Qt::AlignTop);
    panelQuestions->addWidget(memoWhy, 1, 1);
    panelQuestions->addWidget(checkUseCNF, 2, 1);
    panelQuestions->setRowStretch(1, 1);
    layout->addLayout(panelQuestions, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = gui::MakeButton(content, "btnOk", QStringLiteral("&OK"));
    btnCancel = gui::MakeButton(content, "btnCancel", QStringLiteral("Cance&lar"));
    btnHelp = gui::MakeButton(content, "btnHelp", QStringLiteral("Ajuda"));
    for (QPushButton* button : {btnOk, btnCancel, btnHelp}) buttons->addWidget(button);
    layout->addLayout(buttons);
    setWidget(content);

    connect(IncludeBtn, &QToolButton::clicked, this, &TfrmQuestions::IncludeBtnClick);
    connect(ExcludeBtn, &QToolButton::clicked, this, &TfrmQuestions::ExcludeBtnClick);
    connect(SrcList, &QAbstractItemView::doubleClicked, this, &TfrmQuestions::IncludeBtnClick);
    connect(DstList, &QAbstractItemView::doubleClicked, this, &TfrmQuestions::ExcludeBtnClick);
    connect(DstList, &TRowListView::currentRowChanged, this, &TfrmQuestions::DstListClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmQuestions::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmQuestions::btnCancelClick);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kQuestions); });

    quorvel::TExpertSystem& engine = host_.Engine();
    for (const quorvel::TNode* node : engine.Questions().BalancedOrder(quorvel::kKeyCode)) {
        const auto* question = static_cast<const quorvel::TQuestionNode*>(node);
        questions_.AddQuestion(question->Code, question->Text, question->UseCnf, &question->Reasons);
    }
    std::vector<TCodeRows::TRow> asked;
    std::vector<TCodeRows::TRow> unasked;
    for (TCodeRows::TRow& row : gui::VariableRows(engine))
        (questions_.Find(row.Code) ? asked : unasked).push_back(std::move(row));
    DstList->Rows().Assign(std::move(asked));
    SrcList->Rows().Assign(std::move(unasked));
    {
        const QSignalBlocker quiet(DstList);
        DstList->setCurrentRow(-1);
    }
    SetBoxes(false);
    SetButtons();

    host_.EditorArea()->addSubWindow(this);
    gui::KeepMinimumSize(this, QSize(kMinimumWidth, kMinimumHeight));
    resize(kMinimumWidth + 40, kMinimumHeight + 60);
}

TfrmQuestions::~TfrmQuestions() = default;

void TfrmQuestions::SetButtons() {
    IncludeBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(DstList->count() > 0);
}

void TfrmQuestions::SetBoxes(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{labelQuestion, editQuestion, labelWhy, memoWhy, checkUseCNF})
        widget->setEnabled(enabled);
}

bool TfrmQuestions::StoreBoxes() {
    if (!shown_ || !questions_.Find(shown_)) return true;
    const std::optional<std::string> text = gui::TypedBaseText(this, editQuestion->text(), "A pergunta");
    if (!text) {
        editQuestion->setFocus();
        return false;
    }
    std::vector<std::string> reasons;
    const QStringList lines = memoWhy->toPlainText().split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == lines.size() - 1 && lines[i].isEmpty()) break;  // no empty line after the last
        const std::string what = "A linha " + std::to_string(i + 1) + " do motivo";
        const std::optional<std::string> line = gui::TypedBaseText(this, lines[i], what.c_str());
        if (!line) {
            memoWhy->setFocus();
            return false;
        }
        reasons.push_back(*line);
    }
    questions_.Find(shown_);
    questions_.SetText(*text);
    questions_.SetReasons(reasons);
    questions_.SetUseCnf(checkUseCNF->isChecked());
    return true;
}

void TfrmQuestions::ShowQuestion(int32_t varCode) {
    shown_ = varCode;
    if (!questions_.Find(varCode)) return;
    editQuestion->setText(gui::Screen(questions_.GetText()));
    QStringList lines;
    for (const std::string& line : questions_.GetReasons()) lines << gui::Screen(line);
    memoWhy->setPlainText(lines.join(QLatin1Char('\n')));
    checkUseCNF->setChecked(questions_.GetUseCnf());
}

void TfrmQuestions::DstListClick() {
    const int row = DstList->currentRow();
    if (!StoreBoxes()) {
        // The boxes keep what cannot be stored; the list goes back to it.
        const QSignalBlocker quiet(DstList);
        DstList->setCurrentRow(DstList->Rows().RowOfCode(shown_));
        return;
    }
    SetBoxes(row >= 0);
    if (row >= 0) ShowQuestion(DstList->Rows().Code(row));
}

void TfrmQuestions::IncludeBtnClick() {
    const int row = SrcList->currentRow();
    if (row < 0 || !SrcList->RowSelected(row)) return;
    if (!StoreBoxes()) return;
    const int32_t code = SrcList->CurrentCode();
    questions_.AddQuestion(code, "", true);
    editQuestion->clear();
    memoWhy->clear();
    checkUseCNF->setChecked(true);
    const int moved = gui::MoveRow(SrcList, row, DstList);
    shown_ = 0;
    DstList->setCurrentRow(moved);  // loads it as a click does
    SetButtons();
    editQuestion->setFocus();
}

void TfrmQuestions::ExcludeBtnClick() {
    const int row = DstList->currentRow();
    if (row < 0) return;
    const int32_t code = DstList->CurrentCode();
    while (questions_.Find(code)) questions_.DeleteCurrent();
    shown_ = 0;  // what was typed for it goes with it
    {
        const QSignalBlocker quiet(DstList);
        gui::MoveRow(DstList, row, SrcList);
        DstList->setCurrentRow(-1);
    }
    editQuestion->clear();
    memoWhy->clear();
    checkUseCNF->setChecked(false);
    SetBoxes(false);
    SetButtons();
}

void TfrmQuestions::btnOkClick() {
    if (!StoreBoxes()) return;
    saveFlag_ = true;
    close();
}

void TfrmQuestions::btnCancelClick() {
    saveFlag_ = false;
    close();
}

void TfrmQuestions::closeEvent(QCloseEvent* event) {
    if (closed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    if (saveFlag_ && !StoreBoxes()) {
        event->ignore();
        return;
    }
    closed_ = true;
    quorvel::TExpertSystem& engine = host_.Engine();
    if (saveFlag_ && engine.MayBeAltered()) {
        quorvel::TQuestions& base = engine.Questions();
        base.SetActiveKey(quorvel::kKeyCode);
        for (base.First(); !base.Eof();) base.DeleteCurrent();
        for (const quorvel::TNode* node : questions_.BalancedOrder(quorvel::kKeyCode)) {
            const auto* question = static_cast<const quorvel::TQuestionNode*>(node);
            base.AddQuestion(question->Code, question->Text, question->UseCnf, &question->Reasons);
        }
        host_.SetModified();
    } else if (saveFlag_) {
        gui::Inform(this, quorvel::msg::NoAlterPermission);
    }
    host_.EditorClosed(TEditorKind::Questions);
    event->accept();
    QMdiSubWindow::closeEvent(event);
}
