#include "Zoom.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>
#include <optional>

#include "Help.h"
#include "DialogStacking.h"

TFormulaMemo::TFormulaMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("memoFormula"));
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        // Typing beyond the limit is undone, as a one-line box would refuse it.
        const QString text = toPlainText();
        if (text.size() <= kMaxLength) return;
        const QSignalBlocker quiet(this);
        setPlainText(text.left(kMaxLength));
        moveCursor(QTextCursor::End);
    });
}

void TFormulaMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();  // the dialog's default button takes it
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TFormulaMemo::insertFromMimeData(const QMimeData* source) {
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    insertPlainText(text);
}

TdialogZoom::TdialogZoom(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogZoom"));
    setWindowTitle(QStringLiteral("Zoom"));
    quorvel::gui::SetHelpContext(this, quorvel::gui::help::kFormulas);
    auto* layout = new QVBoxLayout(this);
    memoFormula = new TFormulaMemo(this);
    memoFormula->setWordWrapMode(QTextOption::WrapAnywhere);
    layout->addWidget(memoFormula);
    auto* buttons = new QDialogButtonBox(this);
    btnOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 180);
}

TdialogZoom& TdialogZoom::Instance(QWidget* parent) {
    static QPointer<TdialogZoom> instance;
    if (!instance) instance = new TdialogZoom(parent ? parent->window() : nullptr);
    return *instance;
}

std::optional<QString> TdialogZoom::Edit(const QString& formula) {
    memoFormula->setPlainText(formula);
    memoFormula->selectAll();
    memoFormula->setFocus();
    if (quorvel::gui::ExecModal(*this) != QDialog::Accepted) return std::nullopt;
    return memoFormula->toPlainText();
}
