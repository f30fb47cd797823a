#include "Intro.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "ExSystem.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "DialogStacking.h"

using quorvel::gui::ScreenText;

// The opening text is stored in short lines; on the screen its paragraphs
// flow to the window's width. A blank line ends a paragraph, and a line that
// starts a list item ("-", "*", "•" or a number with "." or ")") or follows
// one ending with ":" keeps its own line.
QString ReflowOpeningText(const QStringList& lines) {
    static const QRegularExpression listItem(QStringLiteral("^\\s*([-*\u2022]|\\d+[.)])\\s"));
    QString text;
    bool paragraphOpen = false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            text += paragraphOpen ? QStringLiteral("\n\n") : QStringLiteral("\n");
            paragraphOpen = false;
            continue;
        }
        if (paragraphOpen) {
            const bool ownLine = listItem.match(raw).hasMatch() || text.endsWith(QLatin1Char(':'));
            text += ownLine ? QStringLiteral("\n") : QStringLiteral(" ");
        }
        text += line;
        paragraphOpen = true;
    }
    return text;
}

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
    memoIntro->setPlainText(ReflowOpeningText(lines));
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
    if (quorvel::gui::ExecModal(dialog) != QDialog::Accepted) expertSystem.StopRequested = true;
}
