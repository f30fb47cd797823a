// TdialogIntro: the base's opening screen, shown when a consultation starts.
#pragma once

#include <QDialog>

namespace quorvel {
class TExpertSystem;
}

class TdialogIntro : public QDialog {
    Q_OBJECT

public:
    TdialogIntro(quorvel::TExpertSystem& expertSystem, QWidget* parent = nullptr);
};

// Shows the dialog modally; Cancel asks the engine to stop the consultation.
void ShowIntroduction(QWidget* parent, quorvel::TExpertSystem& expertSystem, const QString& baseFile);
