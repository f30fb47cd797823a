// TdialogDepend ("Dependências"): for every target, the tree of the variables
// it depends on through the rules, the variables only the user supplies, and
// the circular dependencies, listed below the tree. The analysis itself is
// the engine's (ExDepend.h); this dialog only shows it.
#pragma once

#include <QDialog>
#include <QIcon>
#include <array>
#include <memory>
#include <vector>

#include "ExDepend.h"

class QModelIndex;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class TCodeList;
class TDependRows;
class TFullWidthColumn;

class TdialogDepend : public QDialog {
    Q_OBJECT

public:
    // Builds the whole tree at once (showing the hourglass meanwhile) and
    // lists the circles; once shown it tells the user of them.
    explicit TdialogDepend(quorvel::TExpertSystem& expertSystem, QWidget* parent = nullptr);
    ~TdialogDepend() override;

    void btnExpandClick();
    void btnCollapseClick();
    // Shows the conflict of the selected line: everything else collapsed,
    // the path from its target opened, the conflict's node selected.
    void listErrorsDblClick();

    const quorvel::TDependencyAnalysis& Analysis() const { return *analysis_; }
    // The tree's row of an analysis node (by its index in the whole tree);
    // invalid outside the tree.
    QModelIndex NodeItem(int index) const;
    // The image list: variable, expanded variable, user, conflict.
    static QIcon Image(int index);
    // The image a row shows: a variable's changes as it opens and closes.
    int ShownImage(const QModelIndex& index) const;

    QTabWidget* pages = nullptr;
    QWidget* pageVariables = nullptr;
    QTreeView* TreeView = nullptr;
    QSplitter* WinSplit = nullptr;
    TCodeList* listErrors = nullptr;
    QPushButton* btnExpand = nullptr;
    QPushButton* btnCollapse = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* HelpBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildTree();
    // Lists the conflicts found.
    void Finish();
    // Tells the truncation, a shortage of memory and a conflict in message boxes.
    void ReportFindings();

    std::unique_ptr<quorvel::TDependencyAnalysis> analysis_;
    TDependRows* rows_ = nullptr;
    TFullWidthColumn* fitColumn_ = nullptr;
    bool reported_ = false;
};

// The "&Dependências..." command: the dialog, created, shown modally and
// destroyed. Nothing is shown for a base that may only be executed.
void ShowDependencies(QWidget* parent, quorvel::TExpertSystem& expertSystem);
