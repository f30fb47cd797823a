// The main window's status bar: the message panel, the four key-state
// panels and the clock.
#pragma once

#include <QObject>
#include <QString>
#include <QTime>
#include <functional>

#include "KeyState.h"

class QLabel;
class QStatusBar;
class QTimer;

class TStatusPanels : public QObject {
    Q_OBJECT

public:
    static constexpr int kClockInterval = 1000;  // ms

    explicit TStatusPanels(QStatusBar* bar);

    // Panel 0: the long hint under the pointer, "Pronto." when there is none.
    void ShowHint(const QString& hint);
    QString Message() const;

    // Panels 1 to 4 from the lock keys' states and the program's own Insert toggle.
    void UpdateKeyStates();
    void ToggleInsert();
    bool InsertOn() const { return insertOn_; }
    // Where the lock keys' states come from (the X server by default).
    void SetKeyStateSource(std::function<TLockKeyStates()> source) { keyStates_ = std::move(source); }

    // Panel 5: "hh:mm", rewritten only when the minute changed.
    void Tick();
    void StartClock();
    void StopClock();
    bool ClockRunning() const;
    void SetTimeSource(std::function<QTime()> source) { now_ = std::move(source); }

    QLabel* panelMessage = nullptr;  // 0
    QLabel* panelInsert = nullptr;   // 1
    QLabel* panelCaps = nullptr;     // 2
    QLabel* panelNum = nullptr;      // 3
    QLabel* panelScroll = nullptr;   // 4
    QLabel* panelClock = nullptr;    // 5
    QLabel* panelSpare = nullptr;    // 6

private:
    QLabel* AddPanel(QStatusBar* bar, const QString& name, const QString& text, int width, Qt::Alignment alignment);

    QTimer* clock_ = nullptr;
    bool insertOn_ = false;
    std::function<TLockKeyStates()> keyStates_ = ReadLockKeyStates;
    std::function<QTime()> now_ = [] { return QTime::currentTime(); };
};
