#include "Infocode.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>
#include <string>
#include <vector>

#include "EditorCommon.h"
#include "EditorHost.h"
#include "ExSystem.h"
#include "Help.h"

namespace gui = quorvel::gui;

TfrmInfos::TfrmInfos(TEditorHost& host) : QMdiSubWindow(nullptr), host_(host), contexts_(&host.Engine().Sink()) {
    setObjectName(QStringLiteral("frmInfos"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Informações sobre a Base"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/info.svg")));
    gui::SetHelpContext(this, gui::help::kInformation);

    auto* content = new QWidget;
    auto* columns = new QHBoxLayout(content);
    columns->setContentsMargins(6, 6, 6, 6);
    auto* left = new QVBoxLayout;
    Notebook = new QStackedWidget(content);

    // Page "Geral".
    auto* general = new QGroupBox(QStringLiteral("Geral"));
    auto* generalForm = new QVBoxLayout(general);
    editName = new QLineEdit(general);
    editName->setObjectName(QStringLiteral("editName"));
    editName->setMaxLength(static_cast<int>(quorvel::kShortStringMax));
    editAuthors = new QLineEdit(general);
    editAuthors->setObjectName(QStringLiteral("editAuthors"));
    editAuthors->setMaxLength(static_cast<int>(quorvel::kShortStringMax));
    memoOverture = new QPlainTextEdit(general);
    memoOverture->setObjectName(QStringLiteral("memoOverture"));
    memoOverture->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoOverture->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoOverture->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    checkShow = new QCheckBox(QStringLiteral("E&xibir tela de abertura"), general);
    checkShow->setObjectName(QStringLiteral("checkShow"));
    generalForm->addWidget(new QLabel(QStringLiteral("Nome da base:"), general));
    generalForm->addWidget(editName);
    generalForm->addWidget(new QLabel(QStringLiteral("Nome do(s) autor(es):"), general));
    generalForm->addWidget(editAuthors);
    generalForm->addWidget(new QLabel(QStringLiteral("Texto de abertura:"), general));
    generalForm->addWidget(memoOverture, 1);
    generalForm->addWidget(checkShow);
    Notebook->addWidget(general);

    // Page "Arquivo de Ajuda".
    auto* helpPage = new QGroupBox(QStringLiteral("Arquivo de Ajuda"));
    auto* helpGrid = new QGridLayout(helpPage);
    auto* note =
        new QLabel(QStringLiteral("A ajuda on-line está disponível somente para variáveis-objetivo."), helpPage);
    note->setWordWrap(true);
    editHelpName = new QLineEdit(helpPage);
    editHelpName->setObjectName(QStringLiteral("editHelpName"));
    editHelpName->setMaxLength(static_cast<int>(quorvel::kShortStringMax));
    listTargets = new TCodeList(true, helpPage);
    listTargets->setObjectName(QStringLiteral("listTargets"));
    listValues = new TCodeList(true, helpPage);
    listValues->setObjectName(QStringLiteral("listValues"));
    editContext = new QLineEdit(helpPage);
    editContext->setObjectName(QStringLiteral("editContext"));
    btnAccept =
        gui::MakeToolButton(helpPage, "btnAccept", "accept", QStringLiteral("Confirma|Valida a entrada do contexto."));
    btnCancel = gui::MakeToolButton(helpPage, "btnCancel", "cancel",
                                    QStringLiteral("Cancela|Desfaz as modificações no contexto de ajuda."));
    helpGrid->addWidget(note, 0, 0, 1, 2);
    helpGrid->addWidget(new QLabel(QStringLiteral("Nome do arquivo de ajuda:"), helpPage), 1, 0, 1, 2);
    helpGrid->addWidget(editHelpName, 2, 0, 1, 2);
    helpGrid->addWidget(new QLabel(QStringLiteral("Variáveis"), helpPage), 3, 0);
    helpGrid->addWidget(new QLabel(QStringLiteral("Valores"), helpPage), 3, 1);
    helpGrid->addWidget(listTargets, 4, 0);
    helpGrid->addWidget(listValues, 4, 1);
    helpGrid->addWidget(new QLabel(QStringLiteral("Número do contexto de ajuda:"), helpPage), 5, 0, 1, 2);
    auto* contextRow = new QHBoxLayout;
    contextRow->addWidget(editContext, 1);
    contextRow->addWidget(btnAccept);
    contextRow->addWidget(btnCancel);
    helpGrid->addLayout(contextRow, 6, 0, 1, 2);
    helpGrid->setRowStretch(4, 1);
    Notebook->addWidget(helpPage);
    left->addWidget(Notebook, 1);

    TabSet = new QTabBar(content);
    TabSet->setObjectName(QStringLiteral("TabSet"));
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->addTab(QStringLiteral("Geral"));
    TabSet->addTab(QStringLiteral("Arquivo de Ajuda"));
    left->addWidget(TabSet);
    columns->addLayout(left, 1);

    auto* side = new QVBoxLayout;
    OKBtn = gui::MakeButton(content, "OKBtn", QStringLiteral("&OK"));
    CancelBtn = gui::MakeButton(content, "CancelBtn", QStringLiteral("Cance&lar"));
    HelpBtn = gui::MakeButton(content, "HelpBtn", QStringLiteral("Ajuda"));
    for (QPushButton* button : {OKBtn, CancelBtn, HelpBtn}) side->addWidget(button);
    side->addStretch(1);
    columns->addLayout(side);
    setWidget(content);

    SetContextBox(false);
    connect(TabSet, &QTabBar::currentChanged, this, &TfrmInfos::TabSetClick);
    connect(listTargets, &TRowListView::currentRowChanged, this, [this](int row) {
        if (row >= 0) listTargetsClick();
    });
    connect(listValues, &TRowListView::currentRowChanged, this, [this](int row) {
        if (row >= 0) listValuesClick();
    });
    connect(btnAccept, &QToolButton::clicked, this, &TfrmInfos::ContextOperation);
    connect(btnCancel, &QToolButton::clicked, this, &TfrmInfos::btnCancelClick);
    connect(editContext, &QLineEdit::returnPressed, this, &TfrmInfos::ContextOperation);
    editContext->installEventFilter(this);
    editName->installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &TfrmInfos::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TfrmInfos::CancelBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kInformation); });

    quorvel::TExpertSystem& engine = host_.Engine();
    for (const quorvel::TNode* node : engine.HelpContexts().BalancedOrder(quorvel::kKeyCode))
        contexts_.AddContext(node->Code, static_cast<const quorvel::TContextNode*>(node)->HelpContext);
    quorvel::TVars& vars = engine.Vars();
    const auto cursors = vars.SaveCursors();
    std::set<int32_t> listed;
    std::vector<TCodeRows::TRow> targets;
    for (const quorvel::TTargetNode& target : engine.Targets().Items()) {
        if (!vars.Find(target.VarCode) || !listed.insert(target.VarCode).second) continue;
        targets.push_back({gui::Screen(vars.GetName()), target.VarCode});
    }
    vars.RestoreCursors(cursors);
    listTargets->Rows().Assign(std::move(targets));

    editName->setText(gui::Screen(engine.BaseName));
    editAuthors->setText(gui::Screen(engine.Authors));
    QStringList lines;
    for (const std::string& line : engine.OpeningText) lines << gui::Screen(line);
    memoOverture->setPlainText(lines.join(QLatin1Char('\n')));
    checkShow->setChecked(engine.ShowOpening);
    editHelpName->setText(gui::Screen(engine.HelpFile));

    host_.EditorArea()->addSubWindow(this);
    gui::KeepMinimumSize(this, QSize(kMinimumWidth, kMinimumHeight));
    resize(460, 380);
}

TfrmInfos::~TfrmInfos() = default;

void TfrmInfos::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    // After the sub-window has given the focus to whichever child it likes.
    QTimer::singleShot(0, this, [this] { editName->setFocus(Qt::OtherFocusReason); });
}

bool TfrmInfos::eventFilter(QObject* watched, QEvent* event) {
    // The name is there to be typed over: it comes selected whenever the
    // keyboard (not a click) brings the focus to it, the window's opening
    // and its activation included.
    if (watched == editName && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
        QTimer::singleShot(0, editName, &QLineEdit::selectAll);
    if (watched == editContext) {
        if (event->type() == QEvent::FocusIn) {
            editContextEnter();
        } else if (event->type() == QEvent::FocusOut && editContext->isEnabled()) {
            ContextOperation();
        } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            btnCancelClick();
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TfrmInfos::TabSetClick(int index) { Notebook->setCurrentIndex(index); }

void TfrmInfos::SetContextBox(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{editContext, btnAccept, btnCancel})
        widget->setEnabled(enabled);
}

void TfrmInfos::listTargetsClick() {
    selectedVar_ = listTargets->CurrentCode();
    selectedValue_ = 0;
    quorvel::TExpertSystem& engine = host_.Engine();
    std::vector<quorvel::TValueListEntry> values;
    const auto cursors = engine.Values().SaveCursors();
    engine.ValueList(selectedVar_, values);
    engine.Values().RestoreCursors(cursors);
    // Only value records: Sim and Não of a yes/no variable get no topic.
    std::vector<TCodeRows::TRow> rows;
    for (const quorvel::TValueListEntry& value : values)
        if (value.Value) rows.push_back({gui::Screen(value.Name), value.Value->Code});
    const QSignalBlocker quiet(listValues);
    listValues->Rows().Assign(std::move(rows));
    listValues->setCurrentRow(-1);
    editContext->clear();
    SetContextBox(false);
}

void TfrmInfos::listValuesClick() {
    selectedValue_ = listValues->CurrentCode();
    editContext->setText(QString::number(contexts_.Find(selectedValue_) ? contexts_.GetHelpContext() : 0));
    entered_ = TypedNumber();
    SetContextBox(true);
}

int32_t TfrmInfos::TypedNumber() const {
    bool isNumber = false;
    const int value = editContext->text().trimmed().toInt(&isNumber);
    return isNumber ? value : 0;
}

void TfrmInfos::editContextEnter() { entered_ = TypedNumber(); }

void TfrmInfos::btnCancelClick() { editContext->setText(QString::number(entered_)); }

void TfrmInfos::ContextOperation() {
    if (!selectedValue_) return;
    const int32_t number = TypedNumber();
    editContext->setText(QString::number(number));
    entered_ = number;
    if (contexts_.Find(selectedValue_)) {
        if (contexts_.GetHelpContext() != number) {
            contexts_.SetHelpContext(number);
            changed_.insert(selectedValue_);
        }
    } else if (number != 0) {
        contexts_.AddContext(selectedValue_, number);
        changed_.insert(selectedValue_);
    }
}

void TfrmInfos::OKBtnClick() {
    saveFlag_ = true;
    close();
}

void TfrmInfos::CancelBtnClick() {
    saveFlag_ = false;
    close();
}

void TfrmInfos::closeEvent(QCloseEvent* event) {
    if (closed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    quorvel::TExpertSystem& engine = host_.Engine();
    if (saveFlag_ && engine.MayBeAltered()) {
        if (editContext->isEnabled()) ContextOperation();
        // Texts that cannot be stored keep the window open with what was typed.
        const auto name = gui::TypedBaseText(this, editName->text(), "O nome da base");
        const auto authors =
            name ? gui::TypedBaseText(this, editAuthors->text(), "O nome do(s) autor(es)") : std::nullopt;
        const auto helpFile =
            authors ? gui::TypedBaseText(this, editHelpName->text(), "O nome do arquivo de ajuda") : std::nullopt;
        std::vector<std::string> opening;
        bool linesFit = helpFile.has_value();
        if (linesFit) {
            QStringList lines = memoOverture->toPlainText().split(QLatin1Char('\n'));
            if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
            for (qsizetype i = 0; i < lines.size() && linesFit; ++i) {
                const std::string what = "A linha " + std::to_string(i + 1) + " do texto de abertura";
                const auto line = gui::TypedBaseText(this, lines[i], what.c_str());
                if (line)
                    opening.push_back(*line);
                else
                    linesFit = false;
            }
        }
        if (!linesFit) {
            event->ignore();
            return;
        }
        engine.BaseName = *name;
        engine.Authors = *authors;
        engine.HelpFile = *helpFile;
        engine.OpeningText = opening;
        engine.ShowOpening = checkShow->isChecked();
        quorvel::THelpContexts& base = engine.HelpContexts();
        for (int32_t code : changed_) {
            const int32_t number = contexts_.Find(code) ? contexts_.GetHelpContext() : 0;
            if (base.Find(code)) {
                if (number != 0)
                    base.SetHelpContext(number);
                else
                    base.DeleteCurrent();
            } else if (number != 0) {
                base.AddContext(code, number);
            }
        }
        host_.SetModified();
    } else if (saveFlag_) {
        gui::Inform(this, quorvel::msg::NoAlterPermission);
    }
    closed_ = true;
    host_.EditorClosed(TEditorKind::Infos);
    event->accept();
    QMdiSubWindow::closeEvent(event);
}
