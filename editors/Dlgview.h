// TdialogView: which rules the rule viewer shows, all of them or only those
// that conclude about chosen variables.
#pragma once

#include <QDialog>
#include <cstdint>
#include <set>

class TCodeList;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quorvel {
class TExpertSystem;
}

class TdialogView : public QDialog {
    Q_OBJECT

public:
    explicit TdialogView(QWidget* parent = nullptr);
    // The one selection dialog of the program, created on first use.
    static TdialogView& Instance(QWidget* parent);

    // Lists the base's variables, empties the chosen ones and selects "all rules".
    void Prepare(quorvel::TExpertSystem& engine);
    bool Ask(quorvel::TExpertSystem& engine);

    // Results: whether only rules concluding about the chosen variables are
    // wanted, and the codes of those variables.
    bool OnlyChosen() const;
    std::set<int32_t> Chosen() const;

    void IncludeBtnClick();
    void IncAllBtnClick();
    void ExcludeBtnClick();
    void ExcAllBtnClick();
    void SrcListClick();
    void SetButtons();

    TCodeList* SrcList = nullptr;
    TCodeList* DstList = nullptr;
    QToolButton* IncludeBtn = nullptr;
    QToolButton* IncAllBtn = nullptr;
    QToolButton* ExcludeBtn = nullptr;
    QToolButton* ExcAllBtn = nullptr;
    QRadioButton* radioAll = nullptr;
    QRadioButton* radioHeads = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

private:
    void MoveSelected(TCodeList* from, TCodeList* to);
    void MoveAll(TCodeList* from, TCodeList* to);
};
