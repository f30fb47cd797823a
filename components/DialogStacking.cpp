#include "DialogStacking.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace quorvel::gui {

namespace {

bool Showing(const QWidget* window) { return window && window->isVisible() && !window->isMinimized(); }

// Tooltips and popup menus stay on top by nature; they are not windows a
// dialog has to come up above.
bool IsOrdinaryWindow(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && type != Qt::ToolTip && type != Qt::Popup && type != Qt::SplashScreen;
}

}  // namespace

QWidget* DialogParent(QWidget* fallback) {
    if (QWidget* modal = QApplication::activeModalWidget(); Showing(modal)) return modal;
    if (QWidget* popup = QApplication::activePopupWidget(); popup && popup->parentWidget()) {
        if (QWidget* owner = popup->parentWidget()->window(); Showing(owner)) return owner;
    }
    if (QWidget* active = QApplication::activeWindow(); Showing(active)) return active;
    if (fallback && Showing(fallback->window())) return fallback->window();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(top) && Showing(top)) return top;
    return fallback ? fallback->window() : nullptr;
}

bool AnyWindowStaysOnTop(const QWidget* except) {
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top == except || !IsOrdinaryWindow(top) || !top->isVisible()) continue;
        if (except && except->isAncestorOf(top)) continue;
        if (top->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return true;
    }
    return false;
}

QWidget* PrepareModal(QDialog& dialog, QWidget* fallback) {
    QWidget* parent = DialogParent(fallback ? fallback : dialog.parentWidget());
    // A dialog shown again from one of its own children keeps its parent.
    if (parent == &dialog || (parent && dialog.isAncestorOf(parent))) parent = dialog.parentWidget();
    if (dialog.isVisible()) return dialog.parentWidget();
    Qt::WindowFlags flags = dialog.windowFlags();
    // On X11 a window that stays on top lives in a layer above the ordinary
    // windows; a dialog transient for an ordinary window would open under it.
    if (AnyWindowStaysOnTop(&dialog)) flags |= Qt::WindowStaysOnTopHint;
    if (parent != dialog.parentWidget() || flags != dialog.windowFlags()) dialog.setParent(parent, flags);
    return parent;
}

int ExecModal(QDialog& dialog, QWidget* fallback) {
    const QPointer<QDialog> alive(&dialog);
    const QPointer<QWidget> owner(dialog.parentWidget());
    const Qt::WindowFlags ownFlags = dialog.windowFlags();
    PrepareModal(dialog, fallback);
    // Once shown, in front and with the keyboard, even where the window
    // manager hesitates to give a new window the focus.
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.raise();
        dialog.activateWindow();
    });
    const int result = dialog.exec();
    if (alive && (dialog.parentWidget() != owner.data() || dialog.windowFlags() != ownFlags))
        dialog.setParent(owner.data(), ownFlags);
    return result;
}

}  // namespace quorvel::gui
