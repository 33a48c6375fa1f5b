#pragma once

#include <QMap>
#include <QStringList>
#include <QVector>

// One run of a benchmark program: started with posix_spawn, its standard output read to the
// end, its figures collected. The monotonic clock is read just before the program is started,
// so that a figure the program reports as a clock reading ("ready_ns") tells how long the whole
// process took to get there.
class ChildRun {
public:
    // Runs program with args; gives up (and kills it) after timeoutMs.
    static ChildRun run(const QString& program, const QStringList& args, int timeoutMs);

    bool ok() const { return m_ok; }
    const QString& error() const { return m_error; }
    qint64 startNs() const { return m_startNs; }
    // Every value reported for name, in order.
    QVector<double> values(const QString& name) const { return m_figures.value(name); }

private:
    bool m_ok = false;
    QString m_error;
    qint64 m_startNs = 0;
    QMap<QString, QVector<double>> m_figures;
};
