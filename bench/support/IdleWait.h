#pragma once

#include <QObject>

// Runs the event loop until the program has nothing left to do: every posted event delivered
// (layout, paint, deferred deletes, zero timers), the window system's replies to what was sent
// (mapping, exposure, the last paint flushed) read and handled, and every visible top-level
// window exposed. Idle means: after a round trip to the window system, two passes of the event
// loop in a row deliver no event at all. Timers that are due later (the caret's blinking) do not
// count: they are not pending work.
class IdleWait : public QObject {
public:
    static void untilIdle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IdleWait() = default;
    bool quietPass();
    static bool allWindowsExposed();

    long m_delivered = 0;
};
