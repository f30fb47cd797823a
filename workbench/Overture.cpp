#include "Overture.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

TfrmFirstOne::TfrmFirstOne(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmFirstOne"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(433, 246);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(170, 40, 24, 24);
    labelProduct = new QLabel(QStringLiteral("Quorvel"), this);
    labelProduct->setObjectName(QStringLiteral("labelProduct"));
    QFont productFont = labelProduct->font();
    productFont.setPointSizeF(productFont.pointSizeF() * 2.8);
    productFont.setBold(true);
    labelProduct->setFont(productFont);
    labelVersion = new QLabel(QStringLiteral("Versão 1.1b"), this);
    labelVersion->setObjectName(QStringLiteral("labelVersion"));
    auto* labelPurpose = new QLabel(QStringLiteral("Ambiente para sistemas especialistas"), this);
    labelPurpose->setStyleSheet(QStringLiteral("color: #b9cdea;"));
    labelPlatform = new QLabel(QStringLiteral("para Windows 95 e NT"), this);
    labelPlatform->setObjectName(QStringLiteral("labelPlatform"));
    labelPlatform->setStyleSheet(QStringLiteral("color: #8fa6c8;"));
    labelPlatform->setVisible(false);
    layout->addWidget(labelProduct);
    layout->addWidget(labelVersion);
    layout->addSpacing(10);
    layout->addWidget(labelPurpose);
    layout->addStretch(1);
    layout->addWidget(labelPlatform);
    // The line under the version is made visible when the splash is created.
    labelPlatform->setVisible(true);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
}

void TfrmFirstOne::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft blue glow behind the emblem, then the emblem itself.
    QRadialGradient glow(QPointF(88, 118), 110);
    glow.setColorAt(0.0, QColor(0x2a, 0x55, 0x9a, 190));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.fillRect(rect(), glow);
    QIcon(QStringLiteral(":/icons/quorvel.svg")).paint(&painter, QRect(28, 58, 120, 120));
    QLinearGradient line(0, 0, width(), 0);
    line.setColorAt(0.0, QColor(0x4f, 0x86, 0xc6));
    line.setColorAt(1.0, QColor(0, 0, 0));
    painter.fillRect(QRect(0, height() - 6, width(), 6), line);
}
