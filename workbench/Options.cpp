#include "Options.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "ExSystem.h"
#include "ExText.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "NewPassw.h"
#include "DialogStacking.h"

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::gui::ScreenText;
using quorvel::gui::ShowMessage;

namespace {

const QString kDefaultFormulaText = QStringLiteral("A fórmula padrão está sendo utilizada.");
const QString kPasswordSet = QStringLiteral("Senha definida.");
const QString kNoPassword = QStringLiteral("Nenhuma senha em uso atualmente.");
const QString kChangePassword = QStringLiteral("&Mudar senha...");
const QString kNewPassword = QStringLiteral("&Nova senha...");
const QString kInvalidMinimum = QStringLiteral("Valor inválido no grau de confiança mínimo!");
const QString kNoPermission =
    QStringLiteral("Lembre-se de que você não tem permissão para alterar esta base de conhecimento!");
constexpr int kPageConfidence = 1;

// Unchecks every button of a set of radio buttons; auto-exclusive buttons
// refuse to be unchecked while one of them is the checked one.
void UncheckAll(std::initializer_list<QRadioButton*> buttons) {
    for (QRadioButton* button : buttons) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

}  // namespace

TdialogOptions::TdialogOptions(quorvel::TExpertSystem& expertSystem, QWidget* parent)
    : QDialog(parent), expertSystem_(expertSystem) {
    setWindowTitle(QStringLiteral("Opções"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kOptions);

    Notebook = new QTabWidget(this);

    // ---- "&Máquina de Inferência"
    auto* pageInference = new QWidget;
    auto* groupPrecedence = new QGroupBox(QStringLiteral("Precedência"), pageInference);
    radioAND = new QRadioButton(QStringLiteral("Conjunção (E)"), groupPrecedence);
    radioOr = new QRadioButton(QStringLiteral("Disjunção (OU)"), groupPrecedence);
    auto* precedenceLayout = new QVBoxLayout(groupPrecedence);
    precedenceLayout->addWidget(radioAND);
    precedenceLayout->addWidget(radioOr);
    checkAllAvaliation = new QCheckBox(QStringLiteral("&Sempre avaliar premissas completamente"), pageInference);
    auto* inferenceLayout = new QVBoxLayout(pageInference);
    inferenceLayout->addWidget(groupPrecedence);
    inferenceLayout->addWidget(checkAllAvaliation);
    inferenceLayout->addStretch(1);
    Notebook->addTab(pageInference, QStringLiteral("&Máquina de Inferência"));

    // ---- "&Fatores de Confiança"
    auto* pageConfidence = new QWidget;
    auto* labelCnf = new QLabel(QStringLiteral("Valor mínimo para aceitação de regras (em %):"), pageConfidence);
    editCNF = new QLineEdit(pageConfidence);
    editCNF->setMaximumWidth(80);
    labelCnf->setBuddy(editCNF);
    auto* cnfLayout = new QHBoxLayout;
    cnfLayout->addWidget(labelCnf);
    cnfLayout->addWidget(editCNF);
    cnfLayout->addStretch(1);

    auto* groupFormulas = new QGroupBox(QStringLiteral("Cálculo dos fatores de confiança:"), pageConfidence);
    auto* formulasLayout = new QGridLayout(groupFormulas);
    struct TRowDesign {
        const char* label;
        TFormulaRow* row;
        QLineEdit** edit;
        QPushButton** button;
        QString changeCaption;
        QString defaultCaption;
    };
    const TRowDesign rows[] = {
        {"Na conjunção:", &rowAnd_, &editAnd, &btnChangeAnd, QStringLiteral("&Alterar"), QStringLiteral("&Padrão")},
        {"Na disjunção:", &rowOr_, &editOr, &btnChangeOr, QStringLiteral("Alt&erar"), QStringLiteral("P&adrão")},
        {"Na conclusão:", &rowConclusion_, &editConclusion, &btnChangeConclusion, QStringLiteral("Alte&rar"),
         QStringLiteral("Pa&drão")},
    };
    int line = 0;
    for (const TRowDesign& design : rows) {
        TFormulaRow& row = *design.row;
        row.edit = *design.edit = new QLineEdit(groupFormulas);
        row.button = *design.button = new QPushButton(design.changeCaption, groupFormulas);
        row.changeCaption = design.changeCaption;
        row.defaultCaption = design.defaultCaption;
        // A formula is a base text: longer ones could only be cut.
        row.edit->setMaxLength(int(quorvel::kShortStringMax));
        row.edit->setMinimumWidth(260);
        row.button->setAutoDefault(false);
        formulasLayout->addWidget(new QLabel(QString::fromUtf8(design.label), groupFormulas), line, 0);
        formulasLayout->addWidget(row.edit, line, 1);
        formulasLayout->addWidget(row.button, line, 2);
        connect(row.button, &QPushButton::clicked, this, [this, &row] { ChangeClick(row); });
        ++line;
    }
    auto* confidenceLayout = new QVBoxLayout(pageConfidence);
    confidenceLayout->addLayout(cnfLayout);
    confidenceLayout->addWidget(groupFormulas);
    confidenceLayout->addStretch(1);
    Notebook->addTab(pageConfidence, QStringLiteral("&Fatores de Confiança"));

    // ---- "&Senhas"
    auto* pagePasswords = new QWidget;
    labelPasswdStatus = new QLabel(kNoPassword, pagePasswords);
    btnNewPasswd = new QPushButton(kNewPassword, pagePasswords);
    btnNewPasswd->setAutoDefault(false);
    auto* statusLayout = new QHBoxLayout;
    statusLayout->addWidget(labelPasswdStatus, 1);
    statusLayout->addWidget(btnNewPasswd);
    groupRestrictions = new QGroupBox(QStringLiteral("Restrições"), pagePasswords);
    radioExecAndView = new QRadioButton(QStringLiteral("&Permitir execução e visualização"), groupRestrictions);
    radioOnlyExec = new QRadioButton(QStringLiteral("Permitir somente &execução"), groupRestrictions);
    radioNone = new QRadioButton(QStringLiteral("&Nenhuma permissão"), groupRestrictions);
    auto* restrictionsLayout = new QVBoxLayout(groupRestrictions);
    restrictionsLayout->addWidget(radioExecAndView);
    restrictionsLayout->addWidget(radioOnlyExec);
    restrictionsLayout->addWidget(radioNone);
    checkUsePasswd = new QCheckBox(QStringLiteral("&Utilizar senha"), pagePasswords);
    auto* passwordsLayout = new QVBoxLayout(pagePasswords);
    passwordsLayout->addLayout(statusLayout);
    passwordsLayout->addWidget(groupRestrictions);
    passwordsLayout->addWidget(checkUsePasswd);
    passwordsLayout->addStretch(1);
    Notebook->addTab(pagePasswords, QStringLiteral("&Senhas"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancelar"), this);
    HelpBtn = new QPushButton(QStringLiteral("Ajuda"), this);
    OKBtn->setDefault(true);
    CancelBtn->setAutoDefault(false);
    HelpBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Notebook);
    layout->addLayout(buttons);

    dialogCreatePasswd = new TdialogCreatePasswd(this);

    connect(OKBtn, &QPushButton::clicked, this, &TdialogOptions::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { quorvel::gui::ShowHelpFor(this); });
    connect(btnNewPasswd, &QPushButton::clicked, this, &TdialogOptions::btnNewPasswdClick);
}

bool TdialogOptions::Execute() { return quorvel::gui::ExecModal(*this) == QDialog::Accepted; }

void TdialogOptions::showEvent(QShowEvent* event) {
    // Every opening shows the base as it is now; a spontaneous show (the
    // window coming back from the task bar) keeps what is being edited.
    if (!event->spontaneous()) LoadFromEngine();
    QDialog::showEvent(event);
}

void TdialogOptions::LoadFromEngine() {
    const quorvel::TExpertSystem& es = expertSystem_;
    (es.Precedence == 0 ? radioAND : radioOr)->setChecked(true);

    workingPassword_ = es.PasswordBlock.Password;
    ShowPasswordState(!quorvel::UnscrambleText(workingPassword_).empty());
    UncheckAll({radioNone, radioOnlyExec, radioExecAndView});
    switch (es.PasswordBlock.Restriction) {
        case 0: radioNone->setChecked(true); break;
        case 2: radioOnlyExec->setChecked(true); break;
        case 3: radioExecAndView->setChecked(true); break;
        default: break;
    }
    checkUsePasswd->setChecked(es.PasswordBlock.UsePassword);

    editCNF->setText(QString::number(std::lround(double(es.MinimumCnf) * 100.0)));
    LoadRow(rowAnd_, es.AndFormula);
    LoadRow(rowOr_, es.OrFormula);
    LoadRow(rowConclusion_, es.ConclusionFormula);
    checkAllAvaliation->setChecked(es.EvaluateAllPremises);
}

void TdialogOptions::LoadRow(TFormulaRow& row, const quorvel::TCnfFormula& formula) {
    row.custom = !formula.UseDefault;
    row.button->setText(row.custom ? row.defaultCaption : row.changeCaption);
    row.edit->setText(row.custom ? ScreenText(formula.Text) : kDefaultFormulaText);
    row.edit->setEnabled(row.custom);
}

void TdialogOptions::ChangeClick(TFormulaRow& row) {
    row.custom = !row.custom;
    if (row.custom) {
        row.edit->clear();
        row.edit->setEnabled(true);
        row.edit->setFocus();
        row.button->setText(row.defaultCaption);
    } else {
        row.edit->setText(kDefaultFormulaText);
        row.edit->setEnabled(false);
        row.button->setText(row.changeCaption);
    }
}

void TdialogOptions::ShowPasswordState(bool passwordSet) {
    labelPasswdStatus->setText(passwordSet ? kPasswordSet : kNoPassword);
    btnNewPasswd->setText(passwordSet ? kChangePassword : kNewPassword);
    groupRestrictions->setEnabled(passwordSet);
    for (QWidget* control : std::initializer_list<QWidget*>{radioExecAndView, radioOnlyExec, radioNone, checkUsePasswd})
        control->setEnabled(passwordSet);
}

void TdialogOptions::btnNewPasswdClick() {
    const TdialogCreatePasswd::TResult result = dialogCreatePasswd->Execute(workingPassword_);
    if (result == TdialogCreatePasswd::Confirmed && !dialogCreatePasswd->Password().empty()) {
        workingPassword_ = quorvel::ScrambleText(dialogCreatePasswd->Password());
        ShowPasswordState(true);
    } else if (result == TdialogCreatePasswd::Confirmed || result == TdialogCreatePasswd::Cleared) {
        workingPassword_ = quorvel::ScrambleText("");
        ShowPasswordState(false);
        checkUsePasswd->setChecked(false);
    }
}

void TdialogOptions::OKBtnClick() {
    const std::optional<long double> minimum = quorvel::TextToNumber(editCNF->text().toStdString());
    if (!minimum || *minimum < 0 || *minimum > 100) {
        ShowMessage(this, TMsgKind::Error, TMsgButtons::Ok, kInvalidMinimum);
        Notebook->setCurrentIndex(kPageConfidence);
        editCNF->setFocus();
        editCNF->selectAll();
        return;
    }
    if (!expertSystem_.MayBeAltered()) {
        ShowMessage(this, TMsgKind::Information, TMsgButtons::Ok, kNoPermission);
        return;
    }
    // Every formula is converted before anything is stored, so a refused
    // text leaves the base exactly as it was.
    std::string formulas[3];
    TFormulaRow* rows[3] = {&rowAnd_, &rowOr_, &rowConclusion_};
    for (int i = 0; i < 3; ++i) {
        if (!rows[i]->custom) continue;
        std::optional<std::string> text = quorvel::gui::BaseTextOf(this, rows[i]->edit->text());
        if (!text) {
            Notebook->setCurrentIndex(kPageConfidence);
            rows[i]->edit->setFocus();
            return;
        }
        formulas[i] = std::move(*text);
    }

    quorvel::TExpertSystem& es = expertSystem_;
    es.Precedence = radioAND->isChecked() ? 0 : 1;
    es.MinimumCnf = float(*minimum * 0.01L);
    es.EvaluateAllPremises = checkAllAvaliation->isChecked();
    es.PasswordBlock.Password = workingPassword_;
    es.PasswordBlock.Restriction = radioNone->isChecked() ? 0 : radioOnlyExec->isChecked() ? 2 : 3;
    // Asking for a password that does not exist would leave the author only
    // the restricted use of his own base.
    es.PasswordBlock.UsePassword =
        checkUsePasswd->isChecked() && !quorvel::UnscrambleText(workingPassword_).empty();
    quorvel::TCnfFormula* targets[3] = {&es.AndFormula, &es.OrFormula, &es.ConclusionFormula};
    for (int i = 0; i < 3; ++i) {
        targets[i]->UseDefault = !rows[i]->custom;
        targets[i]->Text = rows[i]->custom ? quorvel::CutShort(formulas[i]) : std::string();
    }
    accept();
}
