// TdialogOptions: the base's inference settings, confidence formulas and password.
#pragma once

#include <QDialog>

namespace quorvel {
class TExpertSystem;
}

class TdialogOptions : public QDialog {
    Q_OBJECT

public:
    TdialogOptions(quorvel::TExpertSystem& expertSystem, QWidget* parent = nullptr);
    // Shows the dialog modally; true when OK stored the settings in the base
    // (the caller then marks the base as modified).
    bool Execute();
};
