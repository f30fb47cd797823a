// TdialogCreatePasswd: the author types the base's password twice.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

class TdialogCreatePasswd : public QDialog {
    Q_OBJECT

public:
    // How the dialog closed: OK, "&Limpar" (remove the password) or Cancel.
    enum TResult { Cancelled = QDialog::Rejected, Confirmed = QDialog::Accepted, Cleared = 2 };

    explicit TdialogCreatePasswd(QWidget* parent = nullptr);
    // Shows the dialog modally over the current password (scrambled, as the
    // base keeps it). After Confirmed, Password() is the typed password as a
    // base text (Windows-1252), possibly empty.
    TResult Execute(const std::string& scrambledPassword);
    const std::string& Password() const { return password_; }

    QLineEdit* editPassword = nullptr;
    QLineEdit* editConfirm = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

private:
    void OKBtnClick();
    std::string password_;
};
