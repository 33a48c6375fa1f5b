#pragma once

// Shows the busy pointer over all of the program's windows for as long as it lives, or until
// restore() is called: a file read or write shows it, and the normal pointer must be back before
// any message box that reports on the outcome.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // Brings the normal pointer back now; later calls and the destructor then do nothing.
    void restore();

private:
    bool shown_ = true;
};
