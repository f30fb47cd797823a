// TdialogZoom: a larger box for typing a formula of the rule line editor.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QString>
#include <optional>

class QPushButton;

// A formula box of one line: at most 255 characters, Enter confirms instead
// of breaking the line, and a pasted line break becomes a blank.
class TFormulaMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int kMaxLength = 255;
    explicit TFormulaMemo(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};

class TdialogZoom : public QDialog {
    Q_OBJECT

public:
    explicit TdialogZoom(QWidget* parent = nullptr);
    // The one zoom dialog of the program, created on first use.
    static TdialogZoom& Instance(QWidget* parent);

    // Shows `formula` selected in the memo; on OK the edited text.
    std::optional<QString> Edit(const QString& formula);

    TFormulaMemo* memoFormula = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};
