#include "KeyState.h"

#include <QGuiApplication>

#ifdef QUORVEL_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
// The X headers define macros (None, Bool, KeyPress...) that clash with Qt's
// names, so they come last and nothing of Qt is used below them.
#include <X11/XKBlib.h>
#endif

#ifdef QUORVEL_HAVE_X11

namespace {

// The indicator's bit in XkbGetIndicatorState's mask, found by its name; -1
// when the keyboard has no such indicator.
int IndicatorIndex(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0) return -1;
    int index = -1;
    if (!XkbGetNamedIndicator(display, atom, &index, nullptr, nullptr, nullptr)) return -1;
    return index;
}

bool IndicatorOn(unsigned int mask, int index) { return index >= 0 && index < 32 && ((mask >> index) & 1u) != 0; }

}  // namespace

TLockKeyStates ReadLockKeyStates() {
    TLockKeyStates states;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return states;
    unsigned int mask = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &mask) != 0) return states;
    states.Known = true;
    states.CapsLock = IndicatorOn(mask, IndicatorIndex(display, "Caps Lock"));
    states.NumLock = IndicatorOn(mask, IndicatorIndex(display, "Num Lock"));
    states.ScrollLock = IndicatorOn(mask, IndicatorIndex(display, "Scroll Lock"));
    return states;
}

#else

TLockKeyStates ReadLockKeyStates() { return {}; }

#endif
