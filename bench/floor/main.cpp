#include <QApplication>

#include "FloorSubject.h"
#include "Scenarios.h"

// The floor program: see FloorSubject. Run with a scenario, e.g. `bench_floor startup`.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FloorSubject subject;
    return Scenarios::run(subject, QApplication::arguments().mid(1));
}
