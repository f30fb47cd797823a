#include "Trace.h"

#include <QCloseEvent>
#include <QPushButton>

#include "ExSystem.h"
#include "Help.h"
#include "RuleView.h"

namespace {

constexpr int kLeft = 8;
constexpr int kTop = 8;

}  // namespace

TfrmTrace::TfrmTrace(quorvel::TExpertSystem& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
    setObjectName(QStringLiteral("frmTrace"));
    setWindowTitle(QStringLiteral("Depurador"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setModal(false);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kTrace);

    DebugPanel = new TDebugPanel(this);
    DebugPanel->move(kLeft, kTop);
    btnClose = new QPushButton(QStringLiteral("Fechar"), this);
    btnClose->setToolTip(QStringLiteral("Fecha a janela de exibi\u00E7\u00E3o."));
    btnClose->setStatusTip(QStringLiteral("Fecha a janela de exibi\u00E7\u00E3o."));
    // Enter presses it too.
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    resize(303, 323);
    Arrange();
    DebugPanel->SetExpertSystem(&engine_);
}

void TfrmTrace::reject() { close(); }

void TfrmTrace::closeEvent(QCloseEvent* event) {
    event->accept();
    if (engine_.Paused) {
        engine_.Resume();
        emit resumedByClose();
    }
}

void TfrmTrace::Arrange() {
    // The panel fills the window above the button, which stands centred at the bottom.
    const QSize button = btnClose->sizeHint();
    const int buttonTop = height() - button.height() - 10;
    DebugPanel->setGeometry(kLeft, kTop, width() - 2 * kLeft, buttonTop - 10 - kTop);
    btnClose->setGeometry((width() - button.width()) / 2, buttonTop, button.width(), button.height());
}

void TfrmTrace::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Arrange();
}

void TfrmTrace::showEvent(QShowEvent* event) {
    Arrange();
    QDialog::showEvent(event);
}

void TfrmTrace::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) DebugPanel->viewport()->update();
}
