// TfrmQuestions: the MDI child in which the interface with the end user is
// defined: for each variable to be asked, the question, the reason shown
// when the user asks why, and whether a CNF may be given with the answer.
// It edits a private copy of the base's questions and replaces the base's
// questions with it when it closes with OK.
#pragma once

#include <QMdiSubWindow>
#include <cstdint>

#include "ExDataSt.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class TCodeList;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TEditorHost;

class TfrmQuestions : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 500;
    static constexpr int kMinimumHeight = 310;

    explicit TfrmQuestions(TEditorHost& host);
    ~TfrmQuestions() override;

    quorvel::TQuestions& Questions() { return questions_; }
    // The variable whose question the boxes show (0: none).
    int32_t ShownVariable() const { return shown_; }

    void IncludeBtnClick();
    void ExcludeBtnClick();
    void DstListClick();
    void btnOkClick();
    void btnCancelClick();
    void SetButtons();

    TCodeList* SrcList = nullptr;
    TCodeList* DstList = nullptr;
    QToolButton* IncludeBtn = nullptr;
    QToolButton* ExcludeBtn = nullptr;
    QLabel* labelQuestion = nullptr;
    QLabel* labelWhy = nullptr;
    QLineEdit* editQuestion = nullptr;
    QPlainTextEdit* memoWhy = nullptr;
    QCheckBox* checkUseCNF = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Writes the boxes into the shown question; false (after the message)
    // when a text cannot be stored, the boxes then keep it.
    bool StoreBoxes();
    void SetBoxes(bool enabled);
    void ShowQuestion(int32_t varCode);

    TEditorHost& host_;
    quorvel::TQuestions questions_;
    int32_t shown_ = 0;
    bool saveFlag_ = true;
    bool closed_ = false;
};
