#include "StatusBar.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace {

const QString kReady = QStringLiteral("Pronto.");

}  // namespace

TStatusPanels::TStatusPanels(QStatusBar* bar) : QObject(bar) {
    panelMessage = new QLabel(kReady, bar);
    panelMessage->setObjectName(QStringLiteral("panelMessage"));
    panelMessage->setMinimumWidth(0);
    panelMessage->setIndent(4);
    // The message panel takes whatever the fixed panels leave.
    panelMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(panelMessage, 1);

    panelInsert = AddPanel(bar, QStringLiteral("panelInsert"), QStringLiteral("INS"), 26, Qt::AlignCenter);
    panelCaps = AddPanel(bar, QStringLiteral("panelCaps"), QStringLiteral("CAPS"), 36, Qt::AlignCenter);
    panelNum = AddPanel(bar, QStringLiteral("panelNum"), QStringLiteral("NUM"), 34, Qt::AlignCenter);
    panelScroll = AddPanel(bar, QStringLiteral("panelScroll"), QStringLiteral("SRCL"), 36, Qt::AlignCenter);
    panelClock = AddPanel(bar, QStringLiteral("panelClock"), QStringLiteral("00:00"), 40, Qt::AlignCenter);
    panelClock->clear();
    // The last panel stands beside the size grip and is never written.
    panelSpare = AddPanel(bar, QStringLiteral("panelSpare"), QString(), 50, Qt::AlignLeft | Qt::AlignVCenter);
    panelSpare->setFrameShape(QFrame::NoFrame);

    clock_ = new QTimer(this);
    clock_->setInterval(kClockInterval);
    connect(clock_, &QTimer::timeout, this, &TStatusPanels::Tick);
}

QLabel* TStatusPanels::AddPanel(QStatusBar* bar, const QString& name, const QString& text, int width,
                                Qt::Alignment alignment) {
    auto* panel = new QLabel(text, bar);
    panel->setObjectName(name);
    panel->setAlignment(alignment);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    // Wide enough for its label at the current font, never below the design width.
    panel->setFixedWidth(std::max(width, panel->fontMetrics().horizontalAdvance(text) + 12));
    bar->addPermanentWidget(panel);
    return panel;
}

void TStatusPanels::ShowHint(const QString& hint) { panelMessage->setText(hint.isEmpty() ? kReady : hint); }

QString TStatusPanels::Message() const { return panelMessage->text(); }

void TStatusPanels::UpdateKeyStates() {
    const TLockKeyStates states = keyStates_ ? keyStates_() : TLockKeyStates{};
    panelInsert->setText(insertOn_ ? QStringLiteral("INS") : QString());
    panelCaps->setText(states.Known && states.CapsLock ? QStringLiteral("CAPS") : QString());
    panelNum->setText(states.Known && states.NumLock ? QStringLiteral("NUM") : QString());
    panelScroll->setText(states.Known && states.ScrollLock ? QStringLiteral("SCRL") : QString());
}

void TStatusPanels::ToggleInsert() {
    insertOn_ = !insertOn_;
    UpdateKeyStates();
}

void TStatusPanels::Tick() {
    const QString text = now_().toString(QStringLiteral("hh:mm"));
    if (panelClock->text() != text) panelClock->setText(text);
}

void TStatusPanels::StartClock() { clock_->start(); }
void TStatusPanels::StopClock() { clock_->stop(); }
bool TStatusPanels::ClockRunning() const { return clock_->isActive(); }
