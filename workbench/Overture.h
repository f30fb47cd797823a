// TfrmFirstOne: the splash window shown while the workbench starts.
#pragma once

#include <QWidget>

class QLabel;

class TfrmFirstOne : public QWidget {
    Q_OBJECT

public:
    explicit TfrmFirstOne(QWidget* parent = nullptr);

    QLabel* labelProduct = nullptr;
    QLabel* labelVersion = nullptr;
    QLabel* labelPlatform = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
};
