#include "ExDlgWhy.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "ExWhy.h"
#include "Help.h"
#include "MessageBoxSink.h"

TdlgWhy::TdlgWhy(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Ajuda"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kWhy);

    memo = new QPlainTextEdit(this);
    memo->setReadOnly(true);
    // A reason reads as sentences: long lines wrap at the window's edge.
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Keys that would change the text are swallowed; moving and selecting stay.
    memo->installEventFilter(this);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo, 1);
    layout->addWidget(btnOk, 0, Qt::AlignHCenter);
    resize(kDesignWidth, kDesignHeight);
}

void TdlgWhy::Fill(int32_t varCode, quorvel::TExpertSystem& engine) {
    quorvel::TWhyText why(engine);
    QStringList lines;
    for (const std::string& line : why.Fill(varCode)) lines << quorvel::gui::ScreenText(line);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    FitToText(lines);
}

// The box grows with its reason, up to two thirds of the screen; a longer
// one scrolls.
void TdlgWhy::FitToText(const QStringList& lines) {
    const QFontMetrics metrics(memo->font());
    int widest = 0;
    for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    const int chrome = width() - memo->viewport()->width() + 2 * static_cast<int>(memo->document()->documentMargin());
    const int wanted = std::clamp(widest + chrome + 8, kDesignWidth, area.width() * 2 / 3);
    const int textWidth = wanted - chrome;
    int textHeight = 0;
    for (const QString& line : lines)
        textHeight += metrics.boundingRect(QRect(0, 0, textWidth, 10000), Qt::TextWordWrap, line).height();
    const int heightChrome =
        height() - memo->viewport()->height() + 2 * static_cast<int>(memo->document()->documentMargin());
    resize(wanted, std::clamp(textHeight + heightChrome + 8, kDesignHeight, area.height() * 2 / 3));
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
