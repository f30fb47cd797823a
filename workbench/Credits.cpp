#include "Credits.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "GradientCaption.h"

TdialogCredits::TdialogCredits(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogCredits"));
    setWindowTitle(QStringLiteral("Créditos"));
    auto* layout = new QVBoxLayout(this);
    auto* banner = new TGradientCaption(QStringLiteral("Créditos"), this);
    banner->setMinimumHeight(32);
    layout->addWidget(banner);
    auto* text = new QLabel(this);
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    text->setText(
        QStringLiteral("<p><b>Máquina de inferência, arquivos e fórmulas</b><br>equipe do núcleo do Quorvel</p>"
                       "<p><b>Ambiente de trabalho e editores</b><br>equipe da interface do Quorvel</p>"
                       "<p><b>Ajuda, dicas e ícones</b><br>desenhados especialmente para o Quorvel</p>"
                       "<p>Construído com C++20 e Qt 6.</p>"));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setFixedWidth(360);
}
