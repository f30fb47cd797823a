#include "WatCode.h"

#include <QPushButton>
#include <algorithm>

#include "ExSystem.h"
#include "Help.h"
#include "WatchPanel.h"

namespace {

constexpr int kLeft = 8;
constexpr int kTop = 8;

}  // namespace

TfrmWatch::TfrmWatch(quorvel::TExpertSystem& engine, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmWatch"));
    setWindowTitle(QStringLiteral("Visualizador de Vari\u00E1veis"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setModal(false);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kWatch);

    WatchPanel = new TWatchPanel(this);
    WatchPanel->SetAddAll(false);
    WatchPanel->SetValuesListHeight(46);
    btnClose = new QPushButton(QStringLiteral("Fechar"), this);
    btnClose->setToolTip(QStringLiteral("Fecha a janela de exibi\u00E7\u00E3o."));
    btnClose->setStatusTip(QStringLiteral("Fecha a janela de exibi\u00E7\u00E3o."));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    setMinimumSize(kMinimumWidth, std::max(kMinimumHeight, WatchPanel->MinimumPanelHeight() + 60));
    resize(336, 313);
    Arrange();
    WatchPanel->SetExpertSystem(&engine);
}

void TfrmWatch::Arrange() {
    const QSize button = btnClose->sizeHint();
    const int buttonTop = height() - button.height() - 10;
    WatchPanel->setGeometry(kLeft, kTop, width() - 2 * kLeft, std::max(0, buttonTop - 10 - kTop));
    btnClose->setGeometry((width() - button.width()) / 2, buttonTop, button.width(), button.height());
}

void TfrmWatch::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Arrange();
}
