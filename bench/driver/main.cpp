#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchTable.h"

// Runs the benchmark programs and prints the table. scripts/bench.sh builds everything, starts
// a virtual display and calls this; see there.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs Tavulella's benchmarks beside the floor program and prints a table."));
    parser.addHelpOption();
    const QCommandLineOption floorOpt(QStringLiteral("floor"), QStringLiteral("floor program"),
                                      QStringLiteral("path"));
    const QCommandLineOption startupOpt(QStringLiteral("startup"),
                                        QStringLiteral("Tavulella start-up program"),
                                        QStringLiteral("path"));
    const QCommandLineOption workOpt(QStringLiteral("work"),
                                     QStringLiteral("Tavulella work program"),
                                     QStringLiteral("path"));
    const QCommandLineOption runsOpt(QStringLiteral("runs"), QStringLiteral("runs per figure"),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption onlyOpt(
        QStringLiteral("only"), QStringLiteral("comma-separated scenarios to run (default: all)"),
        QStringLiteral("names"));
    parser.addOptions({floorOpt, startupOpt, workOpt, runsOpt, onlyOpt});
    parser.process(app);
    if (!parser.isSet(floorOpt) || !parser.isSet(startupOpt) || !parser.isSet(workOpt)) {
        parser.showHelp(2);
    }
    QTemporaryDir dir;
    if (!dir.isValid()) return 2;
    BenchTable table({parser.value(floorOpt), parser.value(startupOpt), parser.value(workOpt)},
                     dir.path(), std::max(1, parser.value(runsOpt).toInt()),
                     parser.value(onlyOpt).split(QLatin1Char(','), Qt::SkipEmptyParts));
    return table.run();
}
