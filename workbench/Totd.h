// The tip of the day and its dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

// Where QUORVEL.TIP is looked for: the data folders (DataFiles.h), then the current folder.
QString TipsFilePath();

class TfTipOfTheDay : public QDialog {
    Q_OBJECT

public:
    explicit TfTipOfTheDay(QWidget* parent = nullptr, QString tipsFile = TipsFilePath());
    int CurrentIndex() const { return index_; }
    void SetCurrentIndex(int index) { index_ = index; }
    bool ShowTips() const;
    void SetShowTips(bool show);

    QLabel* lTitle = nullptr;
    QLabel* lTip = nullptr;
    QPushButton* bClose = nullptr;
    QPushButton* bNext = nullptr;
    QPushButton* bPrevious = nullptr;
    QCheckBox* cbShowTips = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void bNextClick();
    void bPreviousClick();
    void ShowTip();

    QString tipsFile_;
    QStringList lines_;
    int index_ = 0;
    int shownAt_ = 0;
    int steps_ = 0;  // net moves since shown: Next +1, Previous -1
};

// Shows the dialog modally from lastTip; afterwards lastTip and showTips hold
// the dialog's index and check box.
void ShowTipOfTheDay(QWidget* parent, int& lastTip, bool& showTips);
