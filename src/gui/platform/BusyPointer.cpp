#include "gui/platform/BusyPointer.h"

#include <QCursor>
#include <QGuiApplication>

BusyPointer::BusyPointer() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

BusyPointer::~BusyPointer() { restore(); }

void BusyPointer::restore() {
    if (!shown_) return;
    shown_ = false;
    QGuiApplication::restoreOverrideCursor();
}
