// "Verificar base": the static checks of the open base in a list, one finding
// per row (code, kind, message); a double click opens the rule or the editor
// the finding is about.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "ExLint.h"

namespace quorvel {
class TExpertSystem;
}

class QLabel;
class QPushButton;
class QTreeView;
class TLintRows;

class TdialogLint : public QDialog {
    Q_OBJECT

public:
    // `open` is told which finding the user wants to see.
    TdialogLint(QWidget* parent, std::function<void(const quorvel::TLintFinding&)> open);

    // Checks the base again and lists what was found.
    void Fill(quorvel::TExpertSystem& engine);
    const std::vector<quorvel::TLintFinding>& Findings() const;

    QTreeView* listFindings = nullptr;
    QLabel* labelSummary = nullptr;
    QPushButton* btnCheck = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void listFindingsDblClick();

    std::function<void(const quorvel::TLintFinding&)> open_;
    quorvel::TExpertSystem* engine_ = nullptr;
    TLintRows* rows_ = nullptr;
};
