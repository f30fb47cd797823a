// TdialogAbout: the product, its version and the way to the credits.
#pragma once

#include <QDialog>

class QPushButton;

class TdialogAbout : public QDialog {
    Q_OBJECT

public:
    explicit TdialogAbout(QWidget* parent = nullptr);

    QPushButton* btnCredits = nullptr;
    QPushButton* OKBtn = nullptr;

private:
    void btnCreditsClick();
};
