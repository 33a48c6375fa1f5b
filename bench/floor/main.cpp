#include <QApplication>

#include "FloorSubject.h"
#include "Scenarios.h"

// The floor program: see FloorSubject. Run with a scenario, e.g. `bench_floor startup`;
// `bench_floor --framed startup` for the floor that draws what Tavulella's start-up frame draws.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool framed = !args.isEmpty() && args.first() == QLatin1String("--framed");
    if (framed) args.removeFirst();
    FloorSubject subject(framed);
    return Scenarios::run(subject, args);
}
