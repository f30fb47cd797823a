// TfrmTrace: the trace window ("Depurador"), the rule base with the line of
// the premise or conclusion the engine is working on selected, while a
// consultation is stepped or paused.
#pragma once

#include <QDialog>

namespace quorvel {
class TExpertSystem;
}

class QPushButton;
class TDebugPanel;

class TfrmTrace : public QDialog {
    Q_OBJECT

public:
    // Attaches the panel to the engine as its debug observer.
    explicit TfrmTrace(quorvel::TExpertSystem& engine, QWidget* parent = nullptr);

    TDebugPanel* DebugPanel = nullptr;
    QPushButton* btnClose = nullptr;

signals:
    // Closing the window let a paused consultation go on.
    void resumedByClose();

public slots:
    // Esc presses "Fechar".
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Arrange();

    quorvel::TExpertSystem& engine_;
};
