// TdialogPasswd: asks for the password of a protected base being opened.
#pragma once

#include <QDialog>

#include "ExPasswd.h"

class QLineEdit;
class QPushButton;

class TdialogPasswd : public QDialog {
    Q_OBJECT

public:
    explicit TdialogPasswd(QWidget* parent = nullptr);
    // Runs the dialog modally for one check; true when closed with OK.
    bool Execute(quorvel::TPasswordCheck& check);

    QLineEdit* Password = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void OKBtnClick();
    quorvel::TPasswordCheck* check_ = nullptr;
};

// Makes a password box echo "*" for every character typed.
void SetStarEcho(QLineEdit* edit);

// The engine's password entry, shown as TdialogPasswd.
class TDialogPasswordPrompt : public quorvel::IPasswordPrompt {
public:
    explicit TDialogPasswordPrompt(QWidget* parent) : parent_(parent) {}
    bool AskPassword(quorvel::TPasswordCheck& check) override;

private:
    QWidget* parent_;
};
