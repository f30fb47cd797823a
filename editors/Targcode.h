// TfrmTargets: the MDI child in which the target variables are chosen, put
// in the order in which a consultation pursues them, and marked for showing
// their results. It edits a private copy of the target list and replaces
// the base's list with it when it closes with OK.
#pragma once

#include <QMdiSubWindow>
#include <vector>

#include "ExDataSt.h"

class QCheckBox;
class QPushButton;
class QToolButton;
class TEditorHost;
class TCodeList;
class TRowDragList;

class TfrmTargets : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 361;
    static constexpr int kMinimumHeight = 257;

    explicit TfrmTargets(TEditorHost& host);
    ~TfrmTargets() override;

    // The private targets, row by row of DstList.
    const std::vector<quorvel::TTargetNode>& Targets() const { return targets_; }

    void IncludeBtnClick();
    void IncAllBtnClick();
    void ExcludeBtnClick();
    void ExcAllBtnClick();
    void SrcListClick();
    void DstListClick();
    void checkShowResultsClick();
    void DstListDragDrop(int from, int to);
    void OKBtnClick();
    void CancelBtnClick();
    void SetButtons();

    TCodeList* SrcList = nullptr;
    TRowDragList* DstList = nullptr;
    QToolButton* IncludeBtn = nullptr;
    QToolButton* IncAllBtn = nullptr;
    QToolButton* ExcludeBtn = nullptr;
    QToolButton* ExcAllBtn = nullptr;
    QCheckBox* checkShowResults = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Append(int32_t varCode, const QString& name);

    TEditorHost& host_;
    std::vector<quorvel::TTargetNode> targets_;
    bool saveFlag_ = true;
    bool closed_ = false;
};
