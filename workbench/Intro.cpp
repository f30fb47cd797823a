#include "Intro.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ExSystem.h"
#include "Help.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

TdialogIntro::TdialogIntro(quorvel::TExpertSystem& expertSystem, QWidget* parent)
    : QDialog(parent), expertSystem_(expertSystem) {
    setWindowTitle(QStringLiteral("Abertura"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kIntroduction);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);

    labelName = new QLabel(ScreenText(expertSystem.BaseName), frame);
    labelName->setAlignment(Qt::AlignCenter);
    labelName->setWordWrap(true);
    labelName->setTextFormat(Qt::PlainText);
    QFont nameFont = labelName->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    labelName->setFont(nameFont);

    memoIntro = new QPlainTextEdit(frame);
    memoIntro->setReadOnly(true);
    memoIntro->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoIntro->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QStringList lines;
    for (const std::string& line : expertSystem.OpeningText) lines << ScreenText(line);
    memoIntro->setPlainText(lines.join(QLatin1Char('\n')));
    memoIntro->setVisible(!expertSystem.OpeningText.empty());

    labelAuthors = new QLabel(ScreenText(expertSystem.Authors), frame);
    labelAuthors->setAlignment(Qt::AlignCenter);
    labelAuthors->setWordWrap(true);
    labelAuthors->setTextFormat(Qt::PlainText);

    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(labelName);
    frameLayout->addWidget(memoIntro, 1);
    frameLayout->addWidget(labelAuthors);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancelar"), this);
    HelpBtn = new QPushButton(QStringLiteral("Ajuda"), this);
    OKBtn->setDefault(true);
    CancelBtn->setAutoDefault(false);
    HelpBtn->setAutoDefault(false);
    HelpBtn->setEnabled(!expertSystem.HelpFile.empty());

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    setMinimumWidth(400);
    resize(440, expertSystem.OpeningText.empty() ? 180 : 340);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TdialogIntro::HelpBtnClick);
}

void TdialogIntro::HelpBtnClick() {
    quorvel::gui::ShowBaseHelp(this, ScreenText(expertSystem_.HelpFile), baseFile_, 0);
}

void ShowIntroduction(QWidget* parent, quorvel::TExpertSystem& expertSystem, const QString& baseFile) {
    TdialogIntro dialog(expertSystem, parent);
    dialog.SetBaseFile(baseFile);
    // Cancel (or Esc, or closing the window) ends the consultation.
    if (dialog.exec() != QDialog::Accepted) expertSystem.StopRequested = true;
}
