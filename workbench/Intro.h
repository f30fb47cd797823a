// TdialogIntro: the base's opening screen, shown when a consultation starts.
#pragma once

#include <QDialog>
#include <QString>

namespace quorvel {
class TExpertSystem;
}

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TdialogIntro : public QDialog {
    Q_OBJECT

public:
    TdialogIntro(quorvel::TExpertSystem& expertSystem, QWidget* parent = nullptr);
    // The base's file, beside which a help file stored without a folder is looked for.
    void SetBaseFile(const QString& baseFile) { baseFile_ = baseFile; }

    QLabel* labelName = nullptr;
    QPlainTextEdit* memoIntro = nullptr;
    QLabel* labelAuthors = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

private:
    void HelpBtnClick();

    quorvel::TExpertSystem& expertSystem_;
    QString baseFile_;
};

// The opening text's stored lines as flowing paragraphs for the screen.
QString ReflowOpeningText(const QStringList& lines);

// Shows the dialog modally; Cancel asks the engine to stop the consultation.
void ShowIntroduction(QWidget* parent, quorvel::TExpertSystem& expertSystem, const QString& baseFile);
