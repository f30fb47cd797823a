// Where every modal dialog and message box of the program comes up: over the
// window the user is looking at, and above every window of the program,
// the consultation windows that stay on top included. A box hidden under a
// window that stays on top would swallow every click while nobody can see it,
// so no dialog decides its own parent: they all go through here.
#pragma once

class QDialog;
class QWidget;

namespace quorvel::gui {

// The window the user is looking at: the modal dialog in front, else the
// window whose popup menu is open, else the active window (a window that
// stays on top included), else `fallback`'s window, else the program's main
// window. Null only when the program shows no window at all.
QWidget* DialogParent(QWidget* fallback = nullptr);

// True when a visible window of the program other than `except` stays on top.
bool AnyWindowStaysOnTop(const QWidget* except = nullptr);

// Gets a dialog or message box that is about to be shown ready to come up
// over DialogParent(fallback): it becomes that window's child (a transient
// of it for the window manager) and stays on top itself while some window
// of the program does. Returns the parent chosen.
QWidget* PrepareModal(QDialog& dialog, QWidget* fallback = nullptr);

// Runs a modal dialog prepared as above, raised and activated once shown. A
// long-lived dialog goes back to its own parent and window flags afterwards,
// so that it never dies with a window it was only shown over.
int ExecModal(QDialog& dialog, QWidget* fallback = nullptr);

}  // namespace quorvel::gui
