#include "About.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Credits.h"
#include "ExVersion.h"
#include "GradientCaption.h"
#include "DialogStacking.h"

TdialogAbout::TdialogAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogAbout"));
    setWindowTitle(QStringLiteral("Sobre o Quorvel"));

    auto* layout = new QVBoxLayout(this);
    auto* banner = new TGradientCaption(QStringLiteral("Quorvel"), this);
    QFont bannerFont = banner->font();
    bannerFont.setPointSizeF(bannerFont.pointSizeF() * 2.0);
    bannerFont.setBold(true);
    banner->setFont(bannerFont);
    banner->setMinimumHeight(56);
    layout->addWidget(banner);

    auto* body = new QHBoxLayout;
    auto* emblem = new QLabel(this);
    emblem->setPixmap(QIcon(QStringLiteral(":/icons/quorvel.svg")).pixmap(72, 72));
    emblem->setAlignment(Qt::AlignTop);
    body->addWidget(emblem);
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("labelText"));
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    text->setText(
        QStringLiteral("<p><b>Quorvel</b> versão 1.1b<br>Programa %1</p>"
                       "<p>Ambiente para a construção e a consulta de sistemas especialistas baseados em regras de "
                       "produção, com encadeamento para trás, fatores de confiança e fórmulas próprias.</p>"
                       "<p>Escreva a base de conhecimento, consulte-a, acompanhe o raciocínio passo a passo e "
                       "veja por que cada pergunta é feita.</p>")
            .arg(QLatin1String(quorvel::kVersion)));
    body->addWidget(text, 1);
    layout->addLayout(body);

    auto* buttons = new QDialogButtonBox(this);
    btnCredits = buttons->addButton(QStringLiteral("&Créditos..."), QDialogButtonBox::ActionRole);
    btnCredits->setObjectName(QStringLiteral("btnCredits"));
    OKBtn = buttons->addButton(QDialogButtonBox::Ok);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(btnCredits, &QPushButton::clicked, this, &TdialogAbout::btnCreditsClick);
    setFixedWidth(420);
}

void TdialogAbout::btnCreditsClick() {
    TdialogCredits credits(this);
    quorvel::gui::ExecModal(credits);
}
