// TdialogOptions: the base's inference settings, confidence formulas and password.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

namespace quorvel {
class TExpertSystem;
struct TCnfFormula;
}  // namespace quorvel

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TdialogCreatePasswd;

class TdialogOptions : public QDialog {
    Q_OBJECT

public:
    TdialogOptions(quorvel::TExpertSystem& expertSystem, QWidget* parent = nullptr);
    // Shows the dialog modally; true when OK stored the settings in the base
    // (the caller then marks the base as modified).
    bool Execute();

    QTabWidget* Notebook = nullptr;
    // "&Máquina de Inferência"
    QRadioButton* radioAND = nullptr;
    QRadioButton* radioOr = nullptr;
    QCheckBox* checkAllAvaliation = nullptr;
    // "&Fatores de Confiança"
    QLineEdit* editCNF = nullptr;
    QLineEdit* editAnd = nullptr;
    QLineEdit* editOr = nullptr;
    QLineEdit* editConclusion = nullptr;
    QPushButton* btnChangeAnd = nullptr;
    QPushButton* btnChangeOr = nullptr;
    QPushButton* btnChangeConclusion = nullptr;
    // "&Senhas"
    QLabel* labelPasswdStatus = nullptr;
    QPushButton* btnNewPasswd = nullptr;
    QGroupBox* groupRestrictions = nullptr;
    QRadioButton* radioExecAndView = nullptr;
    QRadioButton* radioOnlyExec = nullptr;
    QRadioButton* radioNone = nullptr;
    QCheckBox* checkUsePasswd = nullptr;

    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    // The password-creation dialog, created with this one and kept.
    TdialogCreatePasswd* dialogCreatePasswd = nullptr;

    // The working copy of the password (scrambled) while the dialog is open.
    const std::string& WorkingPassword() const { return workingPassword_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct TFormulaRow {
        QLineEdit* edit = nullptr;
        QPushButton* button = nullptr;
        QString changeCaption;
        QString defaultCaption;
        bool custom = false;
    };
    void LoadFromEngine();
    void LoadRow(TFormulaRow& row, const quorvel::TCnfFormula& formula);
    void ChangeClick(TFormulaRow& row);
    void ShowPasswordState(bool passwordSet);
    void btnNewPasswdClick();
    void OKBtnClick();

    quorvel::TExpertSystem& expertSystem_;
    std::string workingPassword_;
    TFormulaRow rowAnd_;
    TFormulaRow rowOr_;
    TFormulaRow rowConclusion_;
};
