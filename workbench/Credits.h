// TdialogCredits: who made the program.
#pragma once

#include <QDialog>

class TdialogCredits : public QDialog {
    Q_OBJECT

public:
    explicit TdialogCredits(QWidget* parent = nullptr);
};
