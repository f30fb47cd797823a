// The message loop the engine runs while it waits for the user (an answer,
// a step): a nested Qt event loop that ends as soon as the wait is over.
#pragma once

#include "ExEvents.h"

class TQtMessageLoop : public quorvel::IMessageLoop {
public:
    // Processes events until `done` answers true. When the application quits
    // while the engine still waits, the wait cannot end normally: it throws
    // EExpertSystem so that the consultation unwinds cleanly.
    void RunUntil(const std::function<bool()>& done) override;
};
