// TfrmMain: the workbench's MDI frame. It owns the one engine.
#pragma once

#include <QMainWindow>
#include <memory>

#include "ExSystem.h"

class QMdiArea;

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    quorvel::TExpertSystem& ExpertSystem() { return *expertSystem_; }
    QMdiArea* MdiArea() const { return mdiArea_; }

private:
    std::unique_ptr<quorvel::TExpertSystem> expertSystem_;
    QMdiArea* mdiArea_ = nullptr;
};
