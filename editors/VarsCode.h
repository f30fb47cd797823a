// TfrmVars: the MDI child in which the variables of the base and their
// values are defined: names, kinds (univalued, multivalued, numeric), the
// values in their order and the interval of a numeric variable. It works on
// a draft of private copies (ExEditing) applied to the base in one go when
// it closes with OK; deleting a variable or a value also deletes the rules
// that use it, after a warning given at the time of the deletion.
#pragma once

#include <QMdiSubWindow>
#include <QString>
#include <cstdint>
#include <set>
#include <string>

#include "ExEditing.h"

class QLabel;
class QLineEdit;
class TCodeList;
class QPushButton;
class QRadioButton;
class QToolButton;
class TEditorHost;
class TRowDragList;

class TfrmVars : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 330;
    static constexpr int kMinimumHeight = 300;

    explicit TfrmVars(TEditorHost& host);
    ~TfrmVars() override;

    quorvel::TVarsDraft& Draft() { return draft_; }
    int32_t SelectedVariable() const { return selected_; }
    bool Inserting() const { return inserting_; }

    // ---- handlers
    void listVarsClick();
    void listValuesClick();
    void btnNewVarClick();
    void btnNewValueClick();
    // Accept a box when its text is not empty and differs from the text it
    // had when entered or last accepted; false after a refusal.
    bool btnVarAcceptClick();
    bool btnValueAcceptClick();
    void btnVarCancelClick();
    void btnValueCancelClick();
    // Both boxes, as when the focus leaves them for a list or a button.
    bool UpdateValues();
    void btnDelVarClick();
    void btnDelValueClick();
    void optionUniClick();
    void optionMultiClick();
    void optionNumericClick();
    void listValuesDragDrop(int from, int to);
    void btnOkClick();
    void btnCancelClick();

    QLabel* labelVars = nullptr;
    QLabel* labelValues = nullptr;
    TCodeList* listVars = nullptr;
    TRowDragList* listValues = nullptr;
    QLabel* labelVar = nullptr;
    QLabel* labelValue = nullptr;
    QLineEdit* editVar = nullptr;
    QLineEdit* editValue = nullptr;
    QToolButton* btnVarAccept = nullptr;
    QToolButton* btnVarCancel = nullptr;
    QToolButton* btnValueAccept = nullptr;
    QToolButton* btnValueCancel = nullptr;
    QRadioButton* optionUni = nullptr;
    QRadioButton* optionMulti = nullptr;
    QRadioButton* optionNumeric = nullptr;
    QPushButton* btnNewVar = nullptr;
    QPushButton* btnDelVar = nullptr;
    QPushButton* btnNewValue = nullptr;
    QPushButton* btnDelValue = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetVarBox(bool enabled);
    void SetValueBox(bool enabled);
    void SetTypeButtons(bool enabled);
    // Shows the kind of a variable on the radio buttons without running their handlers.
    void ShowKind(int32_t varCode);
    void ShowIntervalLabels(bool numeric);
    void FillValues(int32_t selectValue);
    int32_t SelectedValue() const;
    // Checks an interval typed for a numeric variable; false after the message.
    bool IntervalAccepted(const std::string& text);
    // Asks before a change between numeric and non-numeric that takes rules
    // with it (other than `alreadyWarned`); false when the user declined.
    bool KindChangeAccepted(bool numeric, const std::set<int32_t>& alreadyWarned);
    void Select(int row);

    TEditorHost& host_;
    quorvel::TVarsDraft draft_;
    int32_t selected_ = 0;
    QString rememberedVar_;
    QString rememberedValue_;
    bool inserting_ = false;
    bool saveFlag_ = true;
    bool closed_ = false;
};
