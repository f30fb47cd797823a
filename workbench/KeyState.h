// The lock keys' states as the windowing system keeps them.
#pragma once

struct TLockKeyStates {
    bool Known = false;  // false where the platform cannot tell (not X11, no display)
    bool CapsLock = false;
    bool NumLock = false;
    bool ScrollLock = false;
};

// Reads the keyboard indicators of the X server the program runs on; an
// unknown state elsewhere.
TLockKeyStates ReadLockKeyStates();
