#include "IdleWait.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace {
constexpr qint64 kGiveUpMs = 30000;
}  // namespace

bool IdleWait::eventFilter(QObject* watched, QEvent* event) {
    Q_UNUSED(watched);
    Q_UNUSED(event);
    ++m_delivered;
    return false;
}

bool IdleWait::quietPass() {
    m_delivered = 0;
    // The round trip makes the window system's answers to everything sent so far arrive; it
    // delivers what is pending on its way, which counts as work done in this pass.
    QGuiApplication::sync();
    QCoreApplication::sendPostedEvents();
    // Deferred deletes are not sent with the other posted events outside an event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_delivered == 0;
}

bool IdleWait::allWindowsExposed() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::Desktop) continue;
        const QWindow* handle = w->windowHandle();
        if (handle && !handle->isExposed()) return false;
    }
    return true;
}

void IdleWait::untilIdle() {
    IdleWait counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    QElapsedTimer spent;
    spent.start();
    int quiet = 0;
    while (quiet < 2) {
        if (spent.elapsed() > kGiveUpMs) {
            // Something keeps the loop busy for good (an animation?): say so rather than hang.
            qWarning("IdleWait: the event loop did not become idle within %lld ms", kGiveUpMs);
            break;
        }
        if (counter.quietPass() && allWindowsExposed()) {
            ++quiet;
        } else {
            quiet = 0;
        }
    }
    QCoreApplication::instance()->removeEventFilter(&counter);
}
