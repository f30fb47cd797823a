#include "VarsCode.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <map>

#include "EditorCommon.h"
#include "EditorHost.h"
#include "ExNames.h"
#include "ExSystem.h"
#include "Help.h"

namespace gui = quorvel::gui;
using quorvel::TLineUse;

TfrmVars::TfrmVars(TEditorHost& host) : QMdiSubWindow(nullptr), host_(host), draft_(host.Engine()) {
    setObjectName(QStringLiteral("frmVars"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Variáveis"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vars.svg")));
    gui::SetHelpContext(this, gui::help::kVariables);

    auto* content = new QWidget;
    auto* columns = new QHBoxLayout(content);
    columns->setContentsMargins(6, 6, 6, 6);
    auto* left = new QVBoxLayout;

    // panelVars: the variables and the values of the selected one.
    auto* panelVars = new QGridLayout;
    labelVars = new QLabel(QStringLiteral("Variáveis"), content);
    labelValues = new QLabel(QStringLiteral("Valores"), content);
    listVars = new TCodeList(true, content);
    listVars->setObjectName(QStringLiteral("listVars"));
    listValues = new TRowDragList(content);
    listValues->setObjectName(QStringLiteral("listValues"));
    listValues->SetDragCursor(gui::DragRuleCursor());
    panelVars->addWidget(labelVars, 0, 0);
    panelVars->addWidget(labelValues, 0, 1);
    panelVars->addWidget(listVars, 1, 0);
    panelVars->addWidget(listValues, 1, 1);
    left->addLayout(panelVars, 1);

    // panelEnter and panelTypes side by side.
    auto* lower = new QHBoxLayout;
    auto* panelEnter = new QGridLayout;
    labelVar = new QLabel(QStringLiteral("Variável:"), content);
    labelValue = new QLabel(QStringLiteral("Valor:"), content);
    editVar = new QLineEdit(content);
    editVar->setObjectName(QStringLiteral("editVar"));
    editVar->setMaxLength(static_cast<int>(quorvel::kMaxTypedNameLength));
    editValue = new QLineEdit(content);
    editValue->setObjectName(QStringLiteral("editValue"));
    editValue->setMaxLength(static_cast<int>(quorvel::kMaxTypedNameLength));
    labelVar->setBuddy(editVar);
    labelValue->setBuddy(editValue);
    btnVarAccept = gui::MakeToolButton(content, "btnVarAccept", "accept",
                                       QStringLiteral("Confirma|Valida a entrada da variável."));
    btnVarCancel = gui::MakeToolButton(content, "btnVarCancel", "cancel",
                                       QStringLiteral("Cancela|Desfaz as modificações na variável."));
    btnValueAccept =
        gui::MakeToolButton(content, "btnValueAccept", "accept", QStringLiteral("Confirma|Valida a entrada do valor."));
    btnValueCancel = gui::MakeToolButton(content, "btnValueCancel", "cancel",
                                         QStringLiteral("Cancela|Desfaz as modificações no valor."));
    panelEnter->addWidget(labelVar, 0, 0);
    panelEnter->addWidget(editVar, 0, 1);
    panelEnter->addWidget(btnVarAccept, 0, 2);
    panelEnter->addWidget(btnVarCancel, 0, 3);
    panelEnter->addWidget(labelValue, 1, 0);
    panelEnter->addWidget(editValue, 1, 1);
    panelEnter->addWidget(btnValueAccept, 1, 2);
    panelEnter->addWidget(btnValueCancel, 1, 3);
    panelEnter->setColumnStretch(1, 1);
    lower->addLayout(panelEnter, 1);

    auto* panelTypes = new QGroupBox(content);
    panelTypes->setObjectName(QStringLiteral("panelTypes"));
    auto* types = new QVBoxLayout(panelTypes);
    types->setContentsMargins(8, 4, 8, 4);
    optionUni = new QRadioButton(QStringLiteral("&Univalorada"), panelTypes);
    optionUni->setObjectName(QStringLiteral("optionUni"));
    gui::SetHint(optionUni, QStringLiteral("Aperte aqui se a variável só pode assumir um valor de cada vez."));
    optionMulti = new QRadioButton(QStringLiteral("&Multivalorada"), panelTypes);
    optionMulti->setObjectName(QStringLiteral("optionMulti"));
    gui::SetHint(optionMulti, QStringLiteral("Aperte aqui se a variável pode assumir vários valores ao mesmo tempo."));
    optionNumeric = new QRadioButton(QStringLiteral("Numé&rica"), panelTypes);
    optionNumeric->setObjectName(QStringLiteral("optionNumeric"));
    gui::SetHint(optionNumeric, QStringLiteral("Aperte aqui se a variável assume valores numéricos."));
    optionUni->setChecked(true);
    for (QRadioButton* option : {optionUni, optionMulti, optionNumeric}) types->addWidget(option);
    lower->addWidget(panelTypes);
    left->addLayout(lower);
    columns->addLayout(left, 1);

    auto* side = new QVBoxLayout;
    btnNewVar = gui::MakeButton(content, "btnNewVar", QStringLiteral("&Inclui variável"));
    btnDelVar = gui::MakeButton(content, "btnDelVar", QStringLiteral("Exclui &variável"));
    btnNewValue = gui::MakeButton(content, "btnNewValue", QStringLiteral("I&nclui valor"));
    btnDelValue = gui::MakeButton(content, "btnDelValue", QStringLiteral("E&xclui valor"));
    btnOk = gui::MakeButton(content, "btnOk", QStringLiteral("&OK"));
    btnCancel = gui::MakeButton(content, "btnCancel", QStringLiteral("Cance&lar"));
    btnHelp = gui::MakeButton(content, "btnHelp", QStringLiteral("Ajuda"));
    for (QPushButton* button : {btnNewVar, btnDelVar, btnNewValue, btnDelValue}) side->addWidget(button);
    side->addStretch(1);
    for (QPushButton* button : {btnOk, btnCancel, btnHelp}) side->addWidget(button);
    columns->addLayout(side);
    setWidget(content);

    // Everything but the lists, Inclui variável, OK, Cancelar and Ajuda starts disabled.
    SetVarBox(false);
    SetValueBox(false);
    SetTypeButtons(false);
    for (QPushButton* button : {btnDelVar, btnNewValue, btnDelValue}) button->setEnabled(false);

    connect(listVars, &TRowListView::currentRowChanged, this, [this](int row) {
        if (row >= 0) listVarsClick();
    });
    connect(listValues, &TRowListView::currentRowChanged, this, [this](int row) {
        if (row >= 0) listValuesClick();
    });
    connect(listValues, &TRowDragList::rowDropped, this, &TfrmVars::listValuesDragDrop);
    connect(btnNewVar, &QPushButton::clicked, this, &TfrmVars::btnNewVarClick);
    connect(btnDelVar, &QPushButton::clicked, this, &TfrmVars::btnDelVarClick);
    connect(btnNewValue, &QPushButton::clicked, this, [this] {
        if (UpdateValues()) btnNewValueClick();
    });
    connect(btnDelValue, &QPushButton::clicked, this, &TfrmVars::btnDelValueClick);
    connect(btnVarAccept, &QToolButton::clicked, this, &TfrmVars::btnVarAcceptClick);
    connect(btnVarCancel, &QToolButton::clicked, this, &TfrmVars::btnVarCancelClick);
    connect(btnValueAccept, &QToolButton::clicked, this, &TfrmVars::btnValueAcceptClick);
    connect(btnValueCancel, &QToolButton::clicked, this, &TfrmVars::btnValueCancelClick);
    connect(editVar, &QLineEdit::returnPressed, this, &TfrmVars::btnVarAcceptClick);
    connect(editValue, &QLineEdit::returnPressed, this, &TfrmVars::btnValueAcceptClick);
    connect(optionUni, &QRadioButton::clicked, this, &TfrmVars::optionUniClick);
    connect(optionMulti, &QRadioButton::clicked, this, &TfrmVars::optionMultiClick);
    connect(optionNumeric, &QRadioButton::clicked, this, &TfrmVars::optionNumericClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmVars::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmVars::btnCancelClick);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kVariables); });
    // Leaving a box for a list or a button accepts it; Esc in a box undoes it;
    // Del in a list deletes its selection.
    for (QWidget* widget : std::initializer_list<QWidget*>{listVars, listValues, btnOk, btnNewVar, btnDelVar,
                                                           btnNewValue, btnDelValue, editVar, editValue})
        widget->installEventFilter(this);

    std::vector<TCodeRows::TRow> rows;
    for (const quorvel::TNode* node : draft_.Vars().Records(quorvel::kKeyCode))
        rows.push_back({gui::Screen(static_cast<const quorvel::TVarNode*>(node)->Name), node->Code});
    listVars->Rows().Assign(std::move(rows));
    // Nothing selected, not even when the list first gets the keyboard (a
    // list view would make its first row current then).
    listVars->setCurrentIndex(QModelIndex());
    listValues->setCurrentIndex(QModelIndex());

    host_.EditorArea()->addSubWindow(this);
    gui::KeepMinimumSize(this, QSize(kMinimumWidth, kMinimumHeight));
    resize(520, 400);
}

TfrmVars::~TfrmVars() = default;

bool TfrmVars::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched != editVar && watched != editValue) {
        UpdateValues();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape && watched == editVar) {
            btnVarCancelClick();
            return true;
        }
        if (key == Qt::Key_Escape && watched == editValue) {
            btnValueCancelClick();
            return true;
        }
        if (key == Qt::Key_Delete && watched == listVars && listVars->currentRow() >= 0 && btnDelVar->isEnabled()) {
            btnDelVarClick();
            return true;
        }
        if (key == Qt::Key_Delete && watched == listValues && listValues->currentRow() >= 0 &&
            btnDelValue->isEnabled()) {
            btnDelValueClick();
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------------ states

void TfrmVars::SetVarBox(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{labelVar, editVar, btnVarAccept, btnVarCancel})
        widget->setEnabled(enabled);
}

void TfrmVars::SetValueBox(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{labelValue, editValue, btnValueAccept, btnValueCancel})
        widget->setEnabled(enabled);
}

void TfrmVars::SetTypeButtons(bool enabled) {
    for (QRadioButton* option : {optionUni, optionMulti, optionNumeric}) option->setEnabled(enabled);
}

void TfrmVars::ShowIntervalLabels(bool numeric) {
    labelValue->setText(numeric ? QStringLiteral("Intervalo:") : QStringLiteral("Valor:"));
    labelValues->setText(numeric ? QStringLiteral("Intervalo") : QStringLiteral("Valores"));
}

void TfrmVars::ShowKind(int32_t varCode) {
    const quorvel::TVarNode* var = draft_.Variable(varCode);
    if (!var) return;
    QRadioButton* option = var->Numeric ? optionNumeric : var->Multivalued ? optionMulti : optionUni;
    option->setChecked(true);
    ShowIntervalLabels(var->Numeric);
}

int32_t TfrmVars::SelectedValue() const { return listValues->CurrentCode(); }

void TfrmVars::FillValues(int32_t selectValue) {
    std::vector<TCodeRows::TRow> rows;
    for (const quorvel::TValNode* value : draft_.ValuesOf(selected_))
        rows.push_back({gui::Screen(value->Name), value->Code});
    const QSignalBlocker quiet(listValues);
    listValues->Rows().Assign(std::move(rows));
    listValues->setCurrentRow(listValues->Rows().RowOfCode(selectValue));
}

// --------------------------------------------------------------- selection

void TfrmVars::listVarsClick() {
    const int32_t code = listVars->CurrentCode();
    const quorvel::TVarNode* var = draft_.Variable(code);
    if (!var) return;
    selected_ = code;
    inserting_ = false;
    SetTypeButtons(true);
    FillValues(0);
    for (QPushButton* button : {btnNewVar, btnDelVar, btnNewValue}) button->setEnabled(true);
    btnDelValue->setEnabled(false);
    rememberedVar_ = gui::Screen(var->Name);
    editVar->setText(rememberedVar_);
    SetVarBox(true);
    editValue->clear();
    rememberedValue_.clear();
    SetValueBox(false);
    ShowKind(code);
}

void TfrmVars::listValuesClick() {
    const quorvel::TValNode* value = draft_.Value(SelectedValue());
    if (!value) return;
    rememberedValue_ = gui::Screen(value->Name);
    editValue->setText(rememberedValue_);
    SetValueBox(true);
    for (QPushButton* button : {btnNewVar, btnDelVar, btnNewValue, btnDelValue}) button->setEnabled(true);
    inserting_ = false;
}

void TfrmVars::Select(int row) {
    {
        const QSignalBlocker quiet(listVars);
        listVars->setCurrentRow(row);
    }
    if (row >= 0) listVarsClick();
}

void TfrmVars::btnNewVarClick() {
    if (!UpdateValues()) return;
    editVar->clear();
    editValue->clear();
    rememberedVar_.clear();
    rememberedValue_.clear();
    SetValueBox(false);
    SetTypeButtons(false);
    for (QPushButton* button : {btnDelVar, btnNewValue, btnDelValue}) button->setEnabled(false);
    SetVarBox(true);
    inserting_ = true;
    editVar->setFocus();
}

void TfrmVars::btnNewValueClick() {
    editValue->clear();
    rememberedValue_.clear();
    inserting_ = true;
    SetValueBox(true);
    editValue->setFocus();
}

// --------------------------------------------------------------- the boxes

bool TfrmVars::UpdateValues() {
    if (editVar->isEnabled() && !btnVarAcceptClick()) return false;
    if (editValue->isEnabled() && !btnValueAcceptClick()) return false;
    return true;
}

void TfrmVars::btnVarCancelClick() { editVar->setText(rememberedVar_); }

void TfrmVars::btnValueCancelClick() { editValue->setText(rememberedValue_); }

bool TfrmVars::btnVarAcceptClick() {
    if (editVar->text().isEmpty() || editVar->text() == rememberedVar_) return true;
    const QString text = editVar->text().trimmed();
    editVar->setText(text);
    auto refuse = [this](const std::string& message) {
        gui::Warn(this, message);
        editVar->setFocus();
        return false;
    };
    const std::optional<std::string> name = gui::TypedBaseText(this, text, "O nome da variável");
    if (!name) {
        editVar->setFocus();
        return false;
    }
    // A new name may not be another variable's, in any letter case; renaming
    // is held to the same rule as creating.
    if (draft_.VariableNamed(*name, inserting_ ? 0 : selected_)) return refuse(quorvel::msg::SameVariableNames);
    if (const auto problem = quorvel::CheckVariableName(*name); problem != quorvel::TNameProblem::None)
        return refuse(quorvel::VariableNameMessage(problem));
    rememberedVar_ = text;

    if (inserting_) {
        std::string problem;
        const std::optional<int32_t> code =
            draft_.AddVariable(*name, optionMulti->isChecked(), optionNumeric->isChecked(), problem);
        if (!code) {
            gui::Error(this, problem);
            return false;
        }
        SetTypeButtons(true);
        selected_ = *code;
        listValues->Rows().Clear();
        {
            const QSignalBlocker quiet(listVars);
            listVars->setCurrentRow(listVars->Rows().Add(text, *code));
        }
        ShowIntervalLabels(optionNumeric->isChecked());
        btnDelVar->setEnabled(true);
        btnNewValue->setEnabled(true);
        SetValueBox(true);
        btnNewValueClick();
        return true;
    }
    draft_.RenameVariable(selected_, *name);
    const int row = listVars->Rows().RowOfCode(selected_);
    if (row >= 0) {
        const QSignalBlocker quiet(listVars);
        listVars->setCurrentRow(listVars->Rows().SetText(row, text));
    }
    return true;
}

bool TfrmVars::IntervalAccepted(const std::string& text) {
    const quorvel::TIntervalResult interval = quorvel::CheckInterval(text);
    if (interval.Check == quorvel::TIntervalCheck::Valid) return true;
    if (interval.Check == quorvel::TIntervalCheck::NotANumber)
        gui::Error(this, quorvel::NotANumberMessage(interval.Part));
    else
        gui::Warn(this, quorvel::msg::BadInterval);
    editValue->setFocus();
    return false;
}

bool TfrmVars::btnValueAcceptClick() {
    if (editValue->text().isEmpty() || editValue->text() == rememberedValue_) return true;
    if (!selected_) return true;
    const QString text = editValue->text().trimmed();
    editValue->setText(text);
    if (quorvel::IsYesNoName(quorvel::Utf8ToCp1252(text.toStdString()).value_or(std::string()))) {
        if (!gui::Confirm(this, quorvel::msg::YesNoValueQuestion)) {
            editValue->clear();
            return true;
        }
    }
    auto refuse = [this](const std::string& message) {
        gui::Warn(this, message);
        editValue->setFocus();
        return false;
    };
    const std::optional<std::string> name = gui::TypedBaseText(this, text, "O nome do valor");
    if (!name) {
        editValue->setFocus();
        return false;
    }
    const std::optional<int32_t> holder = draft_.ValueNamed(selected_, *name);
    if (holder && (inserting_ || *holder != SelectedValue())) return refuse(quorvel::msg::SameValueNames);
    if (const auto problem = quorvel::CheckValueName(*name); problem != quorvel::TNameProblem::None)
        return refuse(quorvel::ValueNameMessage(problem));
    const bool numeric = optionNumeric->isChecked();

    if (inserting_) {
        rememberedValue_.clear();
        if (numeric && !draft_.ValuesOf(selected_).empty()) {
            gui::Warn(this, quorvel::msg::NumericHasOneValue);
            editValue->clear();
            return true;
        }
        if (numeric && !IntervalAccepted(*name)) return false;
        std::string problem;
        const std::optional<int32_t> code = draft_.AddValue(selected_, *name, problem);
        if (!code) {
            gui::Error(this, problem);
            return false;
        }
        {
            const QSignalBlocker quiet(listValues);
            listValues->setCurrentRow(listValues->Rows().Add(text, *code));
        }
        btnDelValue->setEnabled(true);
        editValue->clear();
        return true;
    }
    if (numeric && !IntervalAccepted(*name)) return false;
    rememberedValue_ = text;
    const int32_t code = SelectedValue();
    draft_.RenameValue(code, *name);
    const int row = listValues->Rows().RowOfCode(code);
    if (row >= 0) {
        const QSignalBlocker quiet(listValues);
        listValues->setCurrentRow(listValues->Rows().SetText(row, text));
    }
    return true;
}

// --------------------------------------------------------------- deletions

void TfrmVars::btnDelVarClick() {
    if (!UpdateValues() || !selected_) return;
    const int32_t code = selected_;
    if (!draft_.NewVariables().count(code)) {
        if (const auto rule = quorvel::FirstRuleUsing(host_.Engine(), TLineUse::OfVariable(code)))
            if (!gui::Confirm(this, quorvel::VariableInUseQuestion(*rule))) return;
    }
    draft_.DeleteVariable(code);
    const int row = listVars->Rows().RowOfCode(code);
    {
        const QSignalBlocker quiet(listVars);
        listVars->Rows().Take(row);
    }
    if (listVars->count() == 0) {
        selected_ = 0;
        listValues->Rows().Clear();
        editVar->clear();
        editValue->clear();
        rememberedVar_.clear();
        rememberedValue_.clear();
        SetTypeButtons(false);
        SetVarBox(false);
        SetValueBox(false);
        for (QPushButton* button : {btnDelVar, btnNewValue, btnDelValue}) button->setEnabled(false);
        return;
    }
    Select(std::max(0, row - 1));
}

void TfrmVars::btnDelValueClick() {
    const int32_t code = SelectedValue();
    if (!code) return;
    if (!draft_.NewValues().count(code)) {
        if (const auto rule = quorvel::FirstRuleUsing(host_.Engine(), TLineUse::OfValue(code)))
            if (!gui::Confirm(this, quorvel::ValueInUseQuestion(*rule))) return;
    }
    const int row = listValues->currentRow();
    draft_.DeleteValue(code);
    FillValues(0);
    if (listValues->count() == 0) {
        btnDelValue->setEnabled(false);
        editValue->clear();
        rememberedValue_.clear();
        SetValueBox(false);
        return;
    }
    listValues->setCurrentRow(std::max(0, row - 1));
}

void TfrmVars::listValuesDragDrop(int from, int to) {
    const int32_t moved = listValues->Rows().Code(from);
    draft_.MoveValue(selected_, from, to);
    FillValues(moved);
    listValuesClick();
}

// --------------------------------------------------------------- the kinds

bool TfrmVars::KindChangeAccepted(bool numeric, const std::set<int32_t>& alreadyWarned) {
    quorvel::TExpertSystem& engine = host_.Engine();
    if (draft_.NewVariables().count(selected_)) return true;
    quorvel::TVars& vars = engine.Vars();
    const auto cursors = vars.SaveCursors();
    const bool inBase = vars.Find(selected_);
    const bool baseNumeric = inBase && vars.CurrentVar()->Numeric;
    vars.RestoreCursors(cursors);
    if (!inBase || baseNumeric == numeric) return true;
    std::set<int32_t> rules = quorvel::RulesUsing(engine, TLineUse::OfVariableKind(selected_));
    for (int32_t rule : alreadyWarned) rules.erase(rule);
    if (rules.empty()) return true;
    return gui::Confirm(this, quorvel::VariableKindInUseQuestion(quorvel::RuleRefOf(engine, *rules.begin())));
}

void TfrmVars::optionNumericClick() {
    if (!selected_) {
        gui::Inform(this, quorvel::msg::SelectVariableFirst);
        optionUni->setChecked(true);
        return;
    }
    const quorvel::TVarNode* var = draft_.Variable(selected_);
    if (!var || var->Numeric) return;
    std::vector<int32_t> doomed;
    const std::vector<const quorvel::TValNode*> values = draft_.ValuesOf(selected_);
    const bool keepInterval =
        values.size() == 1 && quorvel::CheckInterval(values.front()->Name).Check == quorvel::TIntervalCheck::Valid;
    if (!values.empty() && !keepInterval) {
        const char* question =
            values.size() > 1 ? quorvel::msg::DeleteValuesQuestion : quorvel::msg::DeleteValueQuestion;
        if (!gui::Confirm(this, question)) {
            ShowKind(selected_);
            return;
        }
        for (const quorvel::TValNode* value : values) doomed.push_back(value->Code);
    }
    // Every warning is given before anything is removed: a declined one
    // leaves the variable as it was.
    std::set<int32_t> warned;
    for (int32_t value : doomed) {
        if (draft_.NewValues().count(value)) continue;
        const auto rule = quorvel::FirstRuleUsing(host_.Engine(), TLineUse::OfValue(value));
        if (!rule) continue;
        if (!gui::Confirm(this, quorvel::ValueInUseQuestion(*rule))) {
            ShowKind(selected_);
            return;
        }
        const std::set<int32_t> rules = quorvel::RulesUsing(host_.Engine(), TLineUse::OfValue(value));
        warned.insert(rules.begin(), rules.end());
    }
    if (!KindChangeAccepted(true, warned)) {
        ShowKind(selected_);
        return;
    }
    for (int32_t value : doomed) draft_.DeleteValue(value);
    draft_.SetVariableKind(selected_, false, true);
    FillValues(0);
    editValue->clear();
    rememberedValue_.clear();
    SetValueBox(false);
    btnDelValue->setEnabled(false);
    ShowKind(selected_);
    editVar->setFocus();
    editVar->selectAll();
}

void TfrmVars::optionMultiClick() {
    if (!selected_) {
        gui::Inform(this, quorvel::msg::SelectVariableFirst);
        optionUni->setChecked(true);
        return;
    }
    const quorvel::TVarNode* var = draft_.Variable(selected_);
    if (!var || (var->Multivalued && !var->Numeric)) return;
    if (var->Numeric && !KindChangeAccepted(false, {})) {
        ShowKind(selected_);
        return;
    }
    draft_.SetVariableKind(selected_, true, false);
    ShowKind(selected_);
    editVar->setFocus();
}

void TfrmVars::optionUniClick() {
    if (!selected_) {
        gui::Inform(this, quorvel::msg::SelectVariableFirst);
        optionUni->setChecked(true);
        return;
    }
    const quorvel::TVarNode* var = draft_.Variable(selected_);
    if (!var || (!var->Multivalued && !var->Numeric)) return;
    if (var->Numeric && !KindChangeAccepted(false, {})) {
        ShowKind(selected_);
        return;
    }
    draft_.SetVariableKind(selected_, false, false);
    ShowKind(selected_);
    editVar->setFocus();
}

// ----------------------------------------------------------------- closing

void TfrmVars::btnOkClick() {
    if (!UpdateValues()) return;
    saveFlag_ = true;
    close();
}

void TfrmVars::btnCancelClick() {
    saveFlag_ = false;
    close();
}

void TfrmVars::closeEvent(QCloseEvent* event) {
    if (closed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    if (saveFlag_) {
        if (!UpdateValues()) {
            event->ignore();
            return;
        }
        // The editors that show variables must close first.
        bool refused = false;
        const std::pair<TEditorKind, const char*> others[] = {
            {TEditorKind::Targets, quorvel::msg::TargetsEditorOpen},
            {TEditorKind::Questions, quorvel::msg::QuestionsEditorOpen},
            {TEditorKind::Infos, quorvel::msg::InfosEditorOpen}};
        for (const auto& [kind, text] : others) {
            if (!host_.EditorOpen(kind)) continue;
            gui::Inform(this, std::string(text) + quorvel::msg::CloseItFirst);
            refused = true;
        }
        if (refused) {
            event->ignore();
            return;
        }
    }
    closed_ = true;
    quorvel::TExpertSystem& engine = host_.Engine();
    if (saveFlag_ && engine.MayBeAltered()) {
        std::map<int32_t, std::string> names;  // of the variables that go, for the watch panel
        for (int32_t code : draft_.DeletedVariables()) {
            quorvel::TVars& vars = engine.Vars();
            if (vars.Find(code)) names[code] = vars.GetName();
        }
        quorvel::TVarsDraft::THooks hooks;
        hooks.BeforeRulesDeleted = [this](const TLineUse& use, const std::set<int32_t>& rules) {
            host_.CloseRuleWindowsUsing(use, rules);
        };
        hooks.VariableDeleted = [this, &names](int32_t code) { host_.VariableDeleted(code, names[code]); };
        const quorvel::TVarsDraft::TApplied applied = draft_.Apply(hooks);
        host_.VariablesApplied(applied);
    } else if (saveFlag_) {
        gui::Inform(this, quorvel::msg::NoAlterPermissionVars);
    }
    host_.EditorClosed(TEditorKind::Variables);
    event->accept();
    QMdiSubWindow::closeEvent(event);
}
