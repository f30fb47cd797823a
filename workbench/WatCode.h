// TfrmWatch: the watch window ("Visualizador de Variáveis"), the watched
// variables and the current values of the one selected.
#pragma once

#include <QDialog>

namespace quorvel {
class TExpertSystem;
}

class QPushButton;
class TWatchPanel;

class TfrmWatch : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 200;
    static constexpr int kMinimumHeight = 250;

    // Attaches the panel to the engine.
    explicit TfrmWatch(quorvel::TExpertSystem& engine, QWidget* parent = nullptr);

    TWatchPanel* WatchPanel = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();
};
