// The explanation windows of the results: "Como?" shows how a value got its
// confidence, "Por que não?" why a value of the variable was not concluded
// (or not with enough confidence), both from what the explanation recorder
// saw during the consultation.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {
class TExpertSystem;
class TExplanationRecorder;
}  // namespace quorvel

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// A read-only text with a caption line and a "Fechar" button.
class TdialogExplanation : public QDialog {
    Q_OBJECT

public:
    TdialogExplanation(const QString& caption, QWidget* parent);
    // Shows these base-text lines under the heading.
    void SetText(const QString& heading, const std::vector<std::string>& lines);

    QLabel* labelHeading = nullptr;
    QPlainTextEdit* memo = nullptr;
    QPushButton* btnClose = nullptr;
};

// "Como?": how the value of the variable that the results show with this text
// was reached.
class TdialogHow : public TdialogExplanation {
    Q_OBJECT

public:
    explicit TdialogHow(QWidget* parent);
    void Fill(quorvel::TExpertSystem& engine, const quorvel::TExplanationRecorder& recorder, int32_t varCode,
              const std::string& resultText);
};

// "Por que não?": the values of the variable in a list; the reasons for the
// chosen one below it.
class TdialogWhyNot : public TdialogExplanation {
    Q_OBJECT

public:
    explicit TdialogWhyNot(QWidget* parent);
    // Lists the variable's values and explains the one named (or the first).
    void Fill(quorvel::TExpertSystem& engine, const quorvel::TExplanationRecorder& recorder, int32_t varCode,
              const std::string& valueName);

    QComboBox* comboValue = nullptr;

private:
    void Explain();

    quorvel::TExpertSystem* engine_ = nullptr;
    const quorvel::TExplanationRecorder* recorder_ = nullptr;
    int32_t varCode_ = 0;
    std::vector<int32_t> valueCodes_;
};
