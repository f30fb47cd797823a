// TfrmResults: the results of a target, shown modally each time the engine
// has established one. Four pages: the values found with their confidences,
// the consultation tree, every instantiated variable and the whole rule base.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

namespace quorvel {
class TExpertSystem;
class TExplanationRecorder;
}  // namespace quorvel

class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;
class TAllVars;
class TConsultTree;
class TdialogHow;
class TdialogWhyNot;
class TRuleView;
class TValuesGrid;

class TfrmResults : public QDialog {
    Q_OBJECT

public:
    enum TPage : int { kPageResults = 0, kPageHistory = 1, kPageAllValues = 2, kPageSystem = 3 };

    // Attaches the values grid and the rule view to the engine.
    explicit TfrmResults(quorvel::TExpertSystem& engine, QWidget* parent = nullptr);
    ~TfrmResults() override;

    // The base's file, beside which a help file stored without a folder is looked for.
    void SetBaseFile(const QString& baseFile) { baseFile_ = baseFile; }
    // Fills every page for the variable and shows the window modally.
    void ShowFor(int32_t varCode);
    // The same filling, without showing (ShowFor = Prepare + exec).
    void Prepare(int32_t varCode);
    int32_t VarCode() const { return varCode_; }
    void SetPage(int page);
    int Page() const;

    // F2, a double-click in the grid or "Ajuda sobre o item": the base's help
    // on the value under the grid's cursor, or its contents; without a help
    // file of the base, the program's own.
    void HelpOnItem();
    // "Como?" on the value under the grid's cursor, and "Por que não?" for a
    // value of the variable (the one under the cursor first).
    void ShowHow();
    void ShowWhyNot();
    // What the consultation did, recorded for the explanations.
    const quorvel::TExplanationRecorder& Recorder() const { return *recorder_; }

    QStackedWidget* Notebook = nullptr;
    QTabBar* TabSet = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnHelp = nullptr;
    QLabel* labelHelp = nullptr;

    QLabel* panelVarName = nullptr;
    TValuesGrid* ValuesGrid = nullptr;
    QPushButton* btnHelpOnItem = nullptr;
    QPushButton* btnHow = nullptr;
    QPushButton* btnWhyNot = nullptr;
    TdialogHow* dialogHow = nullptr;
    TdialogWhyNot* dialogWhyNot = nullptr;

    QLabel* panelTree = nullptr;
    TConsultTree* ConsultTree = nullptr;
    QPushButton* btnExpand = nullptr;
    QPushButton* btnCollapse = nullptr;

    QLabel* panelAll = nullptr;
    TAllVars* AllVars = nullptr;
    QPushButton* btnExpandVars = nullptr;
    QPushButton* btnCollapseVars = nullptr;

    QLabel* panelRules = nullptr;
    TRuleView* RuleView = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowHelpLabel();
    void FitGridColumns();

    // The grid's value under the cursor, as the grid shows it; empty on a header or an empty row.
    std::string SelectedValueText() const;

    quorvel::TExpertSystem& engine_;
    std::unique_ptr<quorvel::TExplanationRecorder> recorder_;
    int32_t varCode_ = 0;
    QString baseFile_;
};
