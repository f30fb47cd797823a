#include "Passwd.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

#include "Help.h"
#include "MessageBoxSink.h"
#include "DialogStacking.h"

namespace {

class TStarEchoStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void SetStarEcho(QLineEdit* edit) {
    // One style for every password box, owned by the application.
    static QPointer<TStarEchoStyle> style;
    if (style.isNull()) {
        style = new TStarEchoStyle;
        style->setParent(qApp);
    }
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
}

TdialogPasswd::TdialogPasswd(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Autorização de uso"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kPassword);

    auto* label = new QLabel(QStringLiteral("Entre senha:"), this);
    Password = new QLineEdit(this);
    SetStarEcho(Password);
    label->setBuddy(Password);
    auto* note = new QLabel(QStringLiteral("Deixe a entrada em branco para aceitar restrições."), this);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancelar"), this);
    OKBtn->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Password);
    layout->addWidget(note);
    layout->addLayout(buttons);

    setMinimumWidth(360);

    connect(OKBtn, &QPushButton::clicked, this, &TdialogPasswd::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TdialogPasswd::Execute(quorvel::TPasswordCheck& check) {
    check_ = &check;
    Password->clear();
    Password->setFocus();
    const bool ok = quorvel::gui::ExecModal(*this) == QDialog::Accepted;
    check_ = nullptr;
    return ok;
}

void TdialogPasswd::OKBtnClick() {
    if (check_ == nullptr) {
        accept();
        return;
    }
    // A character Windows-1252 cannot hold can be in no password of a base.
    const std::optional<std::string> entry = quorvel::gui::BaseTextOf(this, Password->text());
    if (entry && check_->Submit(*entry)) {
        accept();
        return;
    }
    Password->clear();
    Password->setFocus();
}

bool TDialogPasswordPrompt::AskPassword(quorvel::TPasswordCheck& check) {
    TdialogPasswd dialog(parent_);
    return dialog.Execute(check);
}
