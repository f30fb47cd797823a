// TdialogAddVars: adds variables of the base to the watch panel. It offers
// every variable not watched yet.
#pragma once

#include <QDialog>

#include "ExDataSt.h"

namespace quorvel {
class TExpertSystem;
}

class TCodeList;
class QPushButton;
class QTabWidget;
class TWatchPanel;

class TdialogAddVars : public QDialog {
    Q_OBJECT

public:
    TdialogAddVars(quorvel::TExpertSystem& engine, TWatchPanel& watchPanel, QWidget* parent = nullptr);

    // Shows the dialog modally; true when OK added the chosen variables.
    bool Execute();

    QTabWidget* pageRemaining = nullptr;
    TCodeList* listVars = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    quorvel::TExpertSystem& engine_;
    TWatchPanel& watchPanel_;
    quorvel::TSingleIndexTree::TCursorState saved_;
};
