#include "Ruleedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "EditorCommon.h"
#include "ExNames.h"
#include "ExSystem.h"
#include "Help.h"
#include "RuleCode.h"
#include "Zoom.h"

namespace gui = quorvel::gui;
using quorvel::kCodeNo;
using quorvel::kCodeUnknown;
using quorvel::kCodeYes;

namespace {

const QString kUnknown = QStringLiteral("DESCONHECIDO");

// The entries of a combo kept in alphabetical order (any letter case), each
// with its code as the entry's data; filled in one pass.
TCodeRows* SortedEntries(QComboBox* combo) {
    auto* entries = new TCodeRows(true, combo);
    combo->setModel(entries);
    gui::ShowEntriesAtOnce(combo);
    return entries;
}

}  // namespace

TdialogEditRule::TdialogEditRule(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogEditRule"));
    setWindowTitle(QStringLiteral("Editar Regra"));
    gui::SetHelpContext(this, gui::help::kRuleWindow);

    auto* layout = new QVBoxLayout(this);
    labelItem = new QLabel(QStringLiteral("Item de regra:"), this);
    layout->addWidget(labelItem);

    auto* line = new QHBoxLayout;
    checkNot = new QCheckBox(QStringLiteral("&Não"), this);
    checkNot->setObjectName(QStringLiteral("checkNot"));
    comboVars = new QComboBox(this);
    varEntries_ = SortedEntries(comboVars);
    comboVars->setObjectName(QStringLiteral("comboVars"));
    comboVars->setEditable(true);
    comboVars->setInsertPolicy(QComboBox::NoInsert);
    comboVars->setMinimumContentsLength(16);
    gui::SetHint(comboVars, QStringLiteral("Aqui você escolhe uma variável."));
    comboOperators = new QComboBox(this);
    comboOperators->setObjectName(QStringLiteral("comboOperators"));
    comboOperators->setEditable(true);
    comboOperators->setInsertPolicy(QComboBox::NoInsert);
    comboOperators->setMinimumContentsLength(3);
    gui::SetHint(comboOperators, QStringLiteral("Aqui você escolhe um operador relacional."));
    labelEquals = new QLabel(QStringLiteral("="), this);
    labelEquals->setAlignment(Qt::AlignCenter);
    labelEquals->setMinimumWidth(24);
    comboValues = new QComboBox(this);
    valueEntries_ = SortedEntries(comboValues);
    comboValues->setObjectName(QStringLiteral("comboValues"));
    comboValues->setEditable(true);
    comboValues->setInsertPolicy(QComboBox::NoInsert);
    comboValues->setMinimumContentsLength(16);
    gui::SetHint(comboValues, QStringLiteral("Aqui você escolhe um valor."));
    editFormula = new QLineEdit(this);
    editFormula->setObjectName(QStringLiteral("editFormula"));
    editFormula->setMaxLength(static_cast<int>(quorvel::kShortStringMax));
    editFormula->setMinimumWidth(160);
    btnZoom = new QToolButton(this);
    btnZoom->setObjectName(QStringLiteral("btnZoom"));
    btnZoom->setIcon(gui::EditorIcon("zoom"));
    btnZoom->setAutoRaise(true);
    gui::SetHint(btnZoom, QStringLiteral("Zoom|Amplia a exibição da fórmula."));
    // The operator or the "=" of a conclusion, and the value list or the
    // formula box, share their places so that nothing moves between modes.
    stackOperator_ = new QStackedWidget(this);
    stackOperator_->addWidget(comboOperators);
    stackOperator_->addWidget(labelEquals);
    stackOperator_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    stackValue_ = new QStackedWidget(this);
    stackValue_->addWidget(comboValues);
    auto* formulaPage = new QWidget(this);
    auto* formulaRow = new QHBoxLayout(formulaPage);
    formulaRow->setContentsMargins(0, 0, 0, 0);
    formulaRow->setSpacing(2);
    formulaRow->addWidget(editFormula, 1);
    formulaRow->addWidget(btnZoom);
    stackValue_->addWidget(formulaPage);
    stackValue_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QSizePolicy keepPlace = checkNot->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    checkNot->setSizePolicy(keepPlace);
    line->addWidget(checkNot);
    line->addWidget(comboVars, 1);
    line->addWidget(stackOperator_);
    line->addWidget(stackValue_, 1);
    layout->addLayout(line);

    auto* lower = new QHBoxLayout;
    groupConect = new QGroupBox(QStringLiteral("Conectivo"), this);
    groupConect->setObjectName(QStringLiteral("groupConect"));
    gui::SetHint(groupConect, QStringLiteral("Escolha o conectivo que irá relacionar esse item de regra aos demais."));
    auto* radios = new QHBoxLayout(groupConect);
    radioAnd = new QRadioButton(QStringLiteral("E"), groupConect);
    radioAnd->setObjectName(QStringLiteral("radioAnd"));
    radioAnd->setChecked(true);
    radioOr = new QRadioButton(QStringLiteral("OU"), groupConect);
    radioOr->setObjectName(QStringLiteral("radioOr"));
    radios->addWidget(radioAnd);
    radios->addWidget(radioOr);
    stackLower_ = new QStackedWidget(this);
    stackLower_->addWidget(groupConect);
    labelCnf = new QLabel(QStringLiteral("Fator de confiança:"), this);
    comboCnf = new QComboBox(this);
    comboCnf->setObjectName(QStringLiteral("comboCnf"));
    comboCnf->setEditable(true);
    comboCnf->setInsertPolicy(QComboBox::NoInsert);
    comboCnf->setMaxVisibleItems(10);
    comboCnf->lineEdit()->setMaxLength(static_cast<int>(quorvel::kMaxTypedCnfLength));
    comboCnf->setMinimumContentsLength(4);
    for (const char* percent : {"100", "90", "80", "70", "60", "50", "40", "30", "20", "10"})
        comboCnf->addItem(QLatin1String(percent));
    comboCnf->setCurrentIndex(-1);
    gui::SetHint(comboCnf, QStringLiteral("Aqui você escolhe um valor."));
    auto* cnfPage = new QWidget(this);
    auto* cnfRow = new QHBoxLayout(cnfPage);
    cnfRow->setContentsMargins(0, 0, 0, 0);
    cnfRow->addWidget(labelCnf);
    cnfRow->addWidget(comboCnf);
    cnfRow->addWidget(new QLabel(QStringLiteral("%"), cnfPage));
    cnfRow->addStretch(1);
    stackLower_->addWidget(cnfPage);
    stackLower_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    lower->addWidget(stackLower_);
    lower->addStretch(1);
    layout->addLayout(lower);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnModify = new QPushButton(QStringLiteral("Alterar"), this);
    btnModify->setObjectName(QStringLiteral("btnModify"));
    btnInsert = new QPushButton(QStringLiteral("Inserir"), this);
    btnInsert->setObjectName(QStringLiteral("btnInsert"));
    btnSwitch = new QPushButton(this);
    btnSwitch->setObjectName(QStringLiteral("btnSwitch"));
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("Ajuda"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton* button : {btnModify, btnInsert, btnSwitch, btnCancel, btnHelp}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    connect(btnModify, &QPushButton::clicked, this, &TdialogEditRule::btnModifyClick);
    connect(btnInsert, &QPushButton::clicked, this, &TdialogEditRule::btnInsertClick);
    connect(btnSwitch, &QPushButton::clicked, this, &TdialogEditRule::btnSwitchClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnZoom, &QToolButton::clicked, this, &TdialogEditRule::btnZoomClick);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kRuleWindow); });
    connect(comboVars, &QComboBox::activated, this, [this] {
        typedVariable_ = false;
        comboVarsClick();
    });
    // Typing a name empties the values until the box is left.
    connect(comboVars->lineEdit(), &QLineEdit::textEdited, this, [this] {
        typedVariable_ = true;
        valueEntries_->Clear();
        comboValues->setEditText(QString());
    });
    comboVars->installEventFilter(this);
    comboVars->lineEdit()->installEventFilter(this);

    ShowMode();
    setMinimumWidth(560);
}

TdialogEditRule& TdialogEditRule::Instance(QWidget* parent) {
    static QPointer<TdialogEditRule> instance;
    if (!instance) instance = new TdialogEditRule(parent ? parent->window() : nullptr);
    return *instance;
}

bool TdialogEditRule::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == comboVars || watched == comboVars->lineEdit()) &&
        typedVariable_) {
        typedVariable_ = false;
        comboVarsClick();
    }
    return QDialog::eventFilter(watched, event);
}

void TdialogEditRule::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    comboVars->setFocus();
    comboVars->lineEdit()->selectAll();
}

int TdialogEditRule::EntryOf(const QComboBox* combo, const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i).compare(wanted, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void TdialogEditRule::FillVariables(quorvel::TExpertSystem& engine) {
    engine_ = &engine;
    comboOperators->clear();
    valueEntries_->Clear();
    comboCnf->setEditText(QString());
    varEntries_->Assign(gui::VariableRows(engine));
    comboVars->setEditText(QString());
}

void TdialogEditRule::comboVarsClick() {
    valueEntries_->Clear();
    comboValues->setEditText(QString());
    comboOperators->clear();
    numeric_ = false;
    const int entry = EntryOf(comboVars, comboVars->currentText());
    if (entry < 0 || !engine_) {
        stackValue_->setCurrentIndex(0);
        return;
    }
    if (comboVars->currentIndex() != entry) comboVars->setCurrentIndex(entry);
    SelectVariable(comboVars->itemData(entry).toInt());
}

void TdialogEditRule::SelectVariable(int32_t varCode) {
    quorvel::TVars& vars = engine_->Vars();
    const auto saved = vars.SaveCursors();
    const bool numeric = vars.Find(varCode) && vars.CurrentVar()->Numeric;
    vars.RestoreCursors(saved);

    numeric_ = numeric;
    stackValue_->setCurrentIndex(numeric ? 1 : 0);
    std::vector<TCodeRows::TRow> entries;
    if (!numeric) {
        std::vector<quorvel::TValueListEntry> values;
        const auto savedValues = engine_->Values().SaveCursors();
        engine_->ValueList(varCode, values);
        engine_->Values().RestoreCursors(savedValues);
        for (const quorvel::TValueListEntry& value : values) {
            int32_t code = value.Value ? value.Value->Code : kCodeYes;
            if (!value.Value && value.Name == quorvel::kTextNo) code = kCodeNo;
            entries.push_back({gui::Screen(value.Name), code});
        }
    }
    entries.push_back({kUnknown, kCodeUnknown});
    valueEntries_->Assign(std::move(entries));
    if (!numeric && comboValues->findData(kCodeYes) >= 0)
        comboValues->setCurrentIndex(comboValues->findData(kCodeYes));
    else
        comboValues->setEditText(QString());

    for (const char* op : {"=", "<>"}) comboOperators->addItem(QLatin1String(op));
    if (numeric)
        for (const char* op : {">", "<", ">=", "<="}) comboOperators->addItem(QLatin1String(op));
    comboOperators->setCurrentIndex(0);
}

void TdialogEditRule::SetConnectiveEnabled(bool enabled) {
    groupConect->setEnabled(enabled);
    radioAnd->setEnabled(enabled);
    radioOr->setEnabled(enabled);
}

bool TdialogEditRule::ConnectiveEnabled() const { return groupConect->isEnabled(); }

void TdialogEditRule::ShowMode() {
    stackOperator_->setCurrentIndex(premiseMode_ ? 0 : 1);
    stackLower_->setCurrentIndex(premiseMode_ ? 0 : 1);
    checkNot->setVisible(premiseMode_);
    btnInsert->setVisible(insertMode_);
    btnSwitch->setVisible(insertMode_);
    btnModify->setVisible(!insertMode_);
    btnInsert->setDefault(insertMode_);
    btnModify->setDefault(!insertMode_);
    btnCancel->setText(insertMode_ ? QStringLiteral("Fechar") : QStringLiteral("Cancelar"));
    if (premiseMode_) {
        btnSwitch->setText(QStringLiteral("Conclusão"));
        gui::SetHint(btnSwitch, QStringLiteral("Conclusão|Alterna para conclusão."));
    } else {
        btnSwitch->setText(QStringLiteral("Premissa"));
        gui::SetHint(btnSwitch, QStringLiteral("Premissa|Alterna para premissa."));
    }
}

void TdialogEditRule::SetUp(TfrmRule* window, bool premiseMode, bool insertMode, bool firstPremise) {
    window_ = window;
    premiseMode_ = premiseMode;
    insertMode_ = insertMode;
    const int selected = window ? window->SelectedRow() : 0;
    const int thenRow = window ? window->Draft().ThenRow() : 1;
    const int lastRow = window ? window->Draft().RowCount() - 1 : 1;
    if (premiseMode) {
        conclusionAnchor_ = lastRow;
        premiseAnchor_ = selected;
    } else {
        conclusionAnchor_ = selected;
        premiseAnchor_ = thenRow - 1;
    }
    SetConnectiveEnabled(!firstPremise);
    ShowMode();
}

void TdialogEditRule::FillPremise(int32_t varCode, const std::string& op, bool negated,
                                  std::optional<int32_t> previousConnective, int32_t valueCode,
                                  const std::string& valueText) {
    const int entry = comboVars->findData(varCode);
    comboVars->setCurrentIndex(entry);
    comboVarsClick();
    const int opEntry = comboOperators->findText(QString::fromStdString(op));
    if (opEntry >= 0)
        comboOperators->setCurrentIndex(opEntry);
    else
        comboOperators->setEditText(QString::fromStdString(op));
    checkNot->setChecked(negated);
    const QString text = valueCode == kCodeUnknown ? kUnknown : gui::Screen(valueText);
    comboValues->setEditText(text);
    const int valueEntry = comboValues->findData(valueCode);
    if (!numeric_ && valueEntry >= 0) comboValues->setCurrentIndex(valueEntry);
    editFormula->setText(text);
    if (previousConnective && (*previousConnective == 0 || *previousConnective == 1)) {
        SetConnectiveEnabled(true);
        (*previousConnective == 0 ? radioAnd : radioOr)->setChecked(true);
    } else {
        SetConnectiveEnabled(false);
    }
}

void TdialogEditRule::FillConclusion(int32_t varCode, int32_t valueCode, float cnf, const std::string& valueText) {
    comboVars->setCurrentIndex(comboVars->findData(varCode));
    comboVarsClick();
    const QString text = valueCode == kCodeUnknown ? kUnknown : gui::Screen(valueText);
    comboValues->setEditText(text);
    const int valueEntry = comboValues->findData(valueCode);
    if (valueEntry >= 0) comboValues->setCurrentIndex(valueEntry);
    editFormula->setText(text);
    comboCnf->setEditText(QString::fromStdString(quorvel::FormatGeneral(static_cast<double>(cnf) * 100.0, 5)));
    SetConnectiveEnabled(false);
}

bool TdialogEditRule::ValidateLine() {
    const int varEntry = EntryOf(comboVars, comboVars->currentText());
    if (varEntry < 0 || !engine_) {
        gui::Error(this, quorvel::msg::NoSuchVariableEntry);
        comboVars->setFocus();
        return false;
    }
    if (comboVars->currentIndex() != varEntry) {
        comboVars->setCurrentIndex(varEntry);
        if (typedVariable_) {
            typedVariable_ = false;
            comboVarsClick();
        }
    }
    quorvel::TLineInput line;
    if (premiseMode_ && EntryOf(comboOperators, comboOperators->currentText()) < 0) {
        gui::Error(this, quorvel::msg::InvalidOperator);
        comboOperators->setFocus();
        return false;
    }
    if (!premiseMode_) {
        const std::optional<float> cnf =
            quorvel::ConclusionCnfFromTyped(comboCnf->currentText().trimmed().toStdString());
        if (!cnf) {
            gui::Error(this, quorvel::msg::InvalidCnf);
            comboCnf->setFocus();
            return false;
        }
        line.Cnf = *cnf;
    }
    line.VarCode = comboVars->itemData(varEntry).toInt();

    if (numeric_) {
        const QString formula = editFormula->text().trimmed();
        if (formula.isEmpty()) {
            gui::Error(this, quorvel::msg::InvalidFormula);
            editFormula->setFocus();
            return false;
        }
        if (formula.compare(kUnknown, Qt::CaseInsensitive) == 0) {
            line.ValueCode = kCodeUnknown;
        } else {
            const std::optional<std::string> text = gui::TypedBaseText(this, formula, "A fórmula");
            if (!text) {
                editFormula->setFocus();
                return false;
            }
            line.FormulaText = *text;
            line.ValueCode = engine_->Formulas().LowestFreeCode();
        }
    } else {
        const int valueEntry = EntryOf(comboValues, comboValues->currentText());
        if (valueEntry < 0) {
            gui::Error(this, quorvel::msg::NoSuchValueEntry);
            comboValues->setFocus();
            return false;
        }
        line.ValueCode = comboValues->itemData(valueEntry).toInt();
    }
    line.Operator = premiseMode_
                        ? comboOperators->itemText(EntryOf(comboOperators, comboOperators->currentText())).toStdString()
                        : "=";
    line.Connective = ConnectiveEnabled() ? (radioAnd->isChecked() ? 0 : 1) : result_.Connective;
    line.Negated = premiseMode_ && checkNot->isChecked();
    result_ = line;
    return true;
}

void TdialogEditRule::btnModifyClick() {
    if (ValidateLine()) accept();
}

void TdialogEditRule::btnInsertClick() {
    if (!ValidateLine() || !window_) return;
    if (premiseMode_) {
        window_->SelectRow(premiseAnchor_);
        if (!window_->InsertPremise(premiseAnchor_, result_)) return;
        ++premiseAnchor_;
    } else {
        window_->SelectRow(conclusionAnchor_);
        if (!window_->InsertConclusion(conclusionAnchor_, result_)) return;
    }
    ++conclusionAnchor_;
    SetConnectiveEnabled(true);
    comboVars->setFocus();
    comboVars->lineEdit()->selectAll();
}

void TdialogEditRule::btnSwitchClick() {
    premiseMode_ = !premiseMode_;
    ShowMode();
    comboVars->setFocus();
    comboVars->lineEdit()->selectAll();
}

void TdialogEditRule::btnZoomClick() {
    if (std::optional<QString> text = TdialogZoom::Instance(this).Edit(editFormula->text())) {
        editFormula->setText(*text);
        editFormula->setFocus();
        editFormula->selectAll();
    }
}
