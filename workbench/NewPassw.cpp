#include "NewPassw.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ExConsts.h"
#include "ExPasswd.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "Passwd.h"
#include "DialogStacking.h"

using quorvel::gui::BaseTextOf;
using quorvel::gui::ScreenText;

TdialogCreatePasswd::TdialogCreatePasswd(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Criação de senha"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kCreatePassword);

    editPassword = new QLineEdit(this);
    editConfirm = new QLineEdit(this);
    for (QLineEdit* edit : {editPassword, editConfirm}) {
        SetStarEcho(edit);
        edit->setMaxLength(int(quorvel::kPasswordMaxLength));
    }
    auto* labelPassword = new QLabel(QStringLiteral("Entre senha:"), this);
    auto* labelConfirm = new QLabel(QStringLiteral("Repita para maior segurança:"), this);
    labelPassword->setBuddy(editPassword);
    labelConfirm->setBuddy(editConfirm);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    btnClear = new QPushButton(QStringLiteral("&Limpar"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancelar"), this);
    HelpBtn = new QPushButton(QStringLiteral("Ajuda"), this);
    OKBtn->setDefault(true);
    for (QPushButton* button : {btnClear, CancelBtn, HelpBtn}) button->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(labelPassword, 0, 0);
    fields->addWidget(editPassword, 0, 1);
    fields->addWidget(labelConfirm, 1, 0);
    fields->addWidget(editConfirm, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {OKBtn, btnClear, CancelBtn, HelpBtn}) buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    setMinimumWidth(360);

    connect(OKBtn, &QPushButton::clicked, this, &TdialogCreatePasswd::OKBtnClick);
    connect(btnClear, &QPushButton::clicked, this, [this] { done(Cleared); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { quorvel::gui::ShowHelpFor(this); });
}

TdialogCreatePasswd::TResult TdialogCreatePasswd::Execute(const std::string& scrambledPassword) {
    password_.clear();
    editPassword->setText(ScreenText(quorvel::UnscrambleText(scrambledPassword)));
    editConfirm->clear();
    editPassword->setFocus();
    editPassword->selectAll();
    return static_cast<TResult>(quorvel::gui::ExecModal(*this));
}

void TdialogCreatePasswd::OKBtnClick() {
    if (editPassword->text() != editConfirm->text()) {
        quorvel::gui::ShowMessage(this, quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok,
                                  QString::fromUtf8(quorvel::msg::WrongConfirmation));
        editConfirm->setFocus();
        editConfirm->selectAll();
        return;
    }
    const std::optional<std::string> password = BaseTextOf(this, editPassword->text());
    if (!password) {
        editPassword->setFocus();
        editPassword->selectAll();
        return;
    }
    password_ = *password;
    accept();
}
