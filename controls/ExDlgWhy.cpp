#include "ExDlgWhy.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ExWhy.h"
#include "Help.h"
#include "MessageBoxSink.h"

TdlgWhy::TdlgWhy(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Ajuda"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kWhy);

    memo = new QPlainTextEdit(this);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Keys that would change the text are swallowed; moving and selecting stay.
    memo->installEventFilter(this);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo, 1);
    layout->addWidget(btnOk, 0, Qt::AlignHCenter);
    resize(420, 260);
}

void TdlgWhy::Fill(int32_t varCode, quorvel::TExpertSystem& engine) {
    quorvel::TWhyText why(engine);
    QStringList lines;
    for (const std::string& line : why.Fill(varCode)) lines << quorvel::gui::ScreenText(line);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList TdlgWhy::Lines() const {
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool TdlgWhy::eventFilter(QObject* watched, QEvent* event) {
    if (watched == memo && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Esc and Enter still close the dialog.
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return false;
        const bool moving = key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll) ||
                            (key->text().isEmpty() && key->key() != Qt::Key_Delete && key->key() != Qt::Key_Backspace);
        if (!moving) return true;
    }
    return QDialog::eventFilter(watched, event);
}
