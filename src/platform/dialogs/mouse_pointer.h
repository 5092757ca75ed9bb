#pragma once

namespace corvane::platform {

// The application-wide mouse pointer. It is one state, not a stack: busy
// shows the hourglass over every window, arrow ends it whoever set it.
// Without a GUI application (the command-line tools) these do nothing.

void setBusyPointer(); // idempotent: at most one override is in force
void setArrowPointer(); // removes every override, also ones set by others
bool isBusyPointer();

// Busy for the lifetime of the guard; the arrow again when it ends, also
// when a failure leaves the scope early.
class BusyPointer {
public:
    BusyPointer() { setBusyPointer(); }
    ~BusyPointer() { setArrowPointer(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace corvane::platform
