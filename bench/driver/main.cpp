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
    const QCommandLineOption workOpt(
        QStringLiteral("work"), QStringLiteral("Tavulella work program"), QStringLiteral("path"));
    const QCommandLineOption keyLatencyOpt(QStringLiteral("keylatency"),
                                           QStringLiteral("program that types from outside"),
                                           QStringLiteral("path"));
    const QCommandLineOption runsOpt(QStringLiteral("runs"), QStringLiteral("runs per figure"),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption onlyOpt(
        QStringLiteral("only"), QStringLiteral("comma-separated scenarios to run (default: all)"),
        QStringLiteral("names"));
    const QCommandLineOption dirOpt(
        QStringLiteral("dir"),
        QStringLiteral("folder for the test files, kept afterwards (default: a temporary one)"),
        QStringLiteral("path"));
    const QCommandLineOption filesOnlyOpt(QStringLiteral("files-only"),
                                          QStringLiteral("only write the test files"));
    parser.addOptions(
        {floorOpt, startupOpt, workOpt, keyLatencyOpt, runsOpt, onlyOpt, dirOpt, filesOnlyOpt});
    parser.process(app);
    if (parser.isSet(filesOnlyOpt)) {
        if (!parser.isSet(dirOpt)) parser.showHelp(2);
        return BenchTable::writeFiles(parser.value(dirOpt)) ? 0 : 2;
    }
    if (!parser.isSet(floorOpt) || !parser.isSet(startupOpt) || !parser.isSet(workOpt) ||
        !parser.isSet(keyLatencyOpt)) {
        parser.showHelp(2);
    }
    QTemporaryDir temporary;
    if (!parser.isSet(dirOpt) && !temporary.isValid()) return 2;
    const QString dir = parser.isSet(dirOpt) ? parser.value(dirOpt) : temporary.path();
    BenchTable table({parser.value(floorOpt), parser.value(startupOpt), parser.value(workOpt),
                      parser.value(keyLatencyOpt)},
                     dir, std::max(1, parser.value(runsOpt).toInt()),
                     parser.value(onlyOpt).split(QLatin1Char(','), Qt::SkipEmptyParts));
    return table.run();
}
