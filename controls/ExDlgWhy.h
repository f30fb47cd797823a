// TdlgWhy: why a question is asked, either the author's reasons attached to
// the question or the rule that needs the variable.
#pragma once

#include <QDialog>
#include <cstdint>

namespace quorvel {
class TExpertSystem;
}

class QPlainTextEdit;
class QPushButton;

class TdlgWhy : public QDialog {
    Q_OBJECT

public:
    explicit TdlgWhy(QWidget* parent = nullptr);

    // Rebuilds the lines for a question about the variable.
    void Fill(int32_t varCode, quorvel::TExpertSystem& engine);
    QStringList Lines() const;

    QPlainTextEdit* memo = nullptr;
    QPushButton* btnOk = nullptr;

    static constexpr int kDesignWidth = 420;
    static constexpr int kDesignHeight = 260;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitToText(const QStringList& lines);
};
