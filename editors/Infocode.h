// TfrmInfos: the MDI child for the base's general information (name,
// authors, opening text and whether the opening screen is shown) and its
// on-line help: the help file and, for each value of each target variable,
// the number of the help topic that explains it. Changes are written into
// the base when it closes with OK.
#pragma once

#include <QMdiSubWindow>
#include <cstdint>
#include <set>

#include "ExDataSt.h"

class QCheckBox;
class QLineEdit;
class TCodeList;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;
class TEditorHost;

class TfrmInfos : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 300;
    static constexpr int kMinimumHeight = 200;

    explicit TfrmInfos(TEditorHost& host);
    ~TfrmInfos() override;

    quorvel::THelpContexts& HelpContexts() { return contexts_; }
    int32_t SelectedValue() const { return selectedValue_; }

    void TabSetClick(int index);
    void listTargetsClick();
    void listValuesClick();
    void editContextEnter();
    // Reads the number in editContext into the private help contexts.
    void ContextOperation();
    void btnCancelClick();
    void OKBtnClick();
    void CancelBtnClick();

    QTabBar* TabSet = nullptr;
    QStackedWidget* Notebook = nullptr;
    QLineEdit* editName = nullptr;
    QLineEdit* editAuthors = nullptr;
    QPlainTextEdit* memoOverture = nullptr;
    QCheckBox* checkShow = nullptr;
    QLineEdit* editHelpName = nullptr;
    TCodeList* listTargets = nullptr;
    TCodeList* listValues = nullptr;
    QLineEdit* editContext = nullptr;
    QToolButton* btnAccept = nullptr;
    QToolButton* btnCancel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The base's name has the keyboard, selected, when the window shows.
    void showEvent(QShowEvent* event) override;

private:
    void SetContextBox(bool enabled);
    int32_t TypedNumber() const;

    TEditorHost& host_;
    quorvel::THelpContexts contexts_;
    std::set<int32_t> changed_;
    int32_t selectedVar_ = 0;
    int32_t selectedValue_ = 0;
    int32_t entered_ = 0;
    bool saveFlag_ = true;
    bool closed_ = false;
};
