#include "BenchTable.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>

#include "TestFiles.h"

namespace {

constexpr int kTimeoutMs = 300000;
constexpr int kEditRounds = 3;
constexpr int kFindRounds = 3;
constexpr int kSaveRounds = 3;
constexpr int kNewRounds = 5;
constexpr int kFontMenuRounds = 50;
constexpr int kWindows = 50;
// Extra windows whose memory is averaged.
constexpr int kMemoryWindows = 20;
// A key in a line of 10 MB may take a second on each side: few rounds.
constexpr int kLineRounds = 2;
constexpr int kPasteLineBytes = 2000000;

double medianOf(QVector<double> values) {
    if (values.isEmpty()) return -1;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void say(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

}  // namespace

BenchTable::BenchTable(const Programs& programs, const QString& workDir, int runs,
                       const QStringList& only)
    : m_programs(programs), m_dir(workDir), m_runs(runs), m_only(only) {}

bool BenchTable::writeFiles(const QString& dir) {
    using K = TestFiles::Kind;
    const QDir d(dir);
    return QDir().mkpath(dir) &&
           TestFiles::write(d.filePath(QStringLiteral("text-64000.txt")), 64000) &&
           TestFiles::write(d.filePath(QStringLiteral("text-10000000.txt")), 10000000) &&
           TestFiles::write(d.filePath(QStringLiteral("lf-64000.txt")), 64000, K::Lf) &&
           TestFiles::write(d.filePath(QStringLiteral("lf-10000000.txt")), 10000000, K::Lf) &&
           TestFiles::write(d.filePath(QStringLiteral("utf8-64000.txt")), 64000, K::Utf8Lf) &&
           TestFiles::write(d.filePath(QStringLiteral("utf8-10000000.txt")), 10000000, K::Utf8Lf) &&
           TestFiles::writeOneLine(d.filePath(QStringLiteral("line-64000.txt")), 64000) &&
           TestFiles::writeOneLine(d.filePath(QStringLiteral("line-2000000.txt")), 2000000) &&
           TestFiles::writeOneLine(d.filePath(QStringLiteral("line-10000000.txt")), 10000000);
}

bool BenchTable::prepareFiles() {
    m_file64k = QDir(m_dir).filePath(QStringLiteral("text-64000.txt"));
    m_file10m = QDir(m_dir).filePath(QStringLiteral("text-10000000.txt"));
    m_line64k = QDir(m_dir).filePath(QStringLiteral("line-64000.txt"));
    m_line2m = QDir(m_dir).filePath(QStringLiteral("line-2000000.txt"));
    m_line10m = QDir(m_dir).filePath(QStringLiteral("line-10000000.txt"));
    m_lf64k = QDir(m_dir).filePath(QStringLiteral("lf-64000.txt"));
    m_lf10m = QDir(m_dir).filePath(QStringLiteral("lf-10000000.txt"));
    m_utf864k = QDir(m_dir).filePath(QStringLiteral("utf8-64000.txt"));
    m_utf810m = QDir(m_dir).filePath(QStringLiteral("utf8-10000000.txt"));
    return writeFiles(m_dir);
}

QVector<BenchTable::Job> BenchTable::jobs() const {
    const QString n = QString::number(kEditRounds);
    const QString l = QString::number(kLineRounds);
    return {
        {QStringLiteral("startup"), {QStringLiteral("startup")}, true, true},
        {QStringLiteral("open64k"), {QStringLiteral("open"), m_file64k}, true},
        {QStringLiteral("open10m"), {QStringLiteral("open"), m_file10m}, true},
        {QStringLiteral("edit"), {QStringLiteral("edit"), m_file10m, n}, false},
        {QStringLiteral("find"),
         {QStringLiteral("find"), m_file10m, QString::number(kFindRounds)},
         false},
        {QStringLiteral("save"),
         {QStringLiteral("save"), m_file10m, QStringLiteral("@OUT@"), QString::number(kSaveRounds)},
         false},
        {QStringLiteral("new"), {QStringLiteral("new"), QString::number(kNewRounds)}, false},
        {QStringLiteral("fontmenu"),
         {QStringLiteral("fontmenu"), QString::number(kFontMenuRounds)},
         false},
        {QStringLiteral("windows"), {QStringLiteral("windows"), QString::number(kWindows)}, false},
        {QStringLiteral("memory"),
         {QStringLiteral("memory"), QString::number(kMemoryWindows)},
         true},
        {QStringLiteral("memory64k"),
         {QStringLiteral("memory"), QString::number(kMemoryWindows), m_file64k},
         true},
        // The same for documents with LF line ends, and in UTF-8 with LF line ends.
        {QStringLiteral("open64k-lf"), {QStringLiteral("open"), m_lf64k}, true},
        {QStringLiteral("edit-lf"), {QStringLiteral("edit"), m_lf10m, n}, false},
        {QStringLiteral("find-lf"),
         {QStringLiteral("find"), m_lf10m, QString::number(kFindRounds)},
         false},
        {QStringLiteral("open64k-utf8"), {QStringLiteral("open"), m_utf864k}, true},
        {QStringLiteral("edit-utf8"), {QStringLiteral("edit"), m_utf810m, n}, false},
        {QStringLiteral("find-utf8"),
         {QStringLiteral("find"), m_utf810m, QString::number(kFindRounds)},
         false},
        {QStringLiteral("openline64k"), {QStringLiteral("open"), m_line64k}, true},
        {QStringLiteral("line64k"), {QStringLiteral("line"), m_line64k, l}, false},
        {QStringLiteral("line2m"), {QStringLiteral("line"), m_line2m, l}, false},
        {QStringLiteral("line10m"), {QStringLiteral("line"), m_line10m, l}, false},
        {QStringLiteral("pasteline"),
         {QStringLiteral("pasteline"), QString::number(kPasteLineBytes)},
         false},
        // Keys sent from outside: the start-up window, a document of lines with the caret in
        // the middle, one long line with the caret at its end.
        {QStringLiteral("typing"), {QStringLiteral("hold")}, true, true, true},
        {QStringLiteral("typing64k"),
         {QStringLiteral("hold"), m_file64k, QStringLiteral("middle")},
         true,
         true,
         true},
        {QStringLiteral("typingline64k"),
         {QStringLiteral("hold"), m_line64k, QStringLiteral("end")},
         true,
         true,
         true},
    };
}

QVector<BenchTable::Row> BenchTable::rows() {
    const double mib = 1.0 / 1024;
    using R = Reduce;
    using T = Target;
    QVector<Row> all = {
        {QStringLiteral("Start-up until idle (ms)"), QStringLiteral("startup"),
         QStringLiteral("ready_ns"), R::StartUp, 1, T::None, 0},
        {QStringLiteral("Start-up until idle, framed floor (ms)"), QStringLiteral("startup"),
         QStringLiteral("ready_ns"), R::StartUp, 1, T::RatioAtMost, 1.05, QString(), true},
        {QStringLiteral("Memory after start-up, VmRSS (MiB)"), QStringLiteral("startup"),
         QStringLiteral("startup_rss_kib"), R::Median, mib, T::FloorPlusAtMost, 10},
        {QStringLiteral("Memory after start-up, VmHWM (MiB)"), QStringLiteral("startup"),
         QStringLiteral("startup_hwm_kib"), R::Median, mib, T::FloorPlusAtMost, 10},
        {QStringLiteral("Open 64,000 B until idle (ms)"), QStringLiteral("open64k"),
         QStringLiteral("open_ms"), R::Median, 1, T::None, 0},
        {QStringLiteral("Open 10,000,000 B until idle (ms)"), QStringLiteral("open10m"),
         QStringLiteral("open_ms"), R::Median, 1, T::RatioAtMost, 1.3},
        {QStringLiteral("Peak memory, 10 MB open, VmHWM (MiB)"), QStringLiteral("open10m"),
         QStringLiteral("open_hwm_kib"), R::Median, mib, T::RatioAtMost, 1.5},
        {QStringLiteral("Type a character at the end (ms)"), QStringLiteral("edit"),
         QStringLiteral("type_end_ms"), R::Median, 1, T::Below, 16},
        {QStringLiteral("Type a character in the middle (ms)"), QStringLiteral("edit"),
         QStringLiteral("type_middle_ms"), R::Median, 1, T::Below, 16},
        {QStringLiteral("Enter (ms)"), QStringLiteral("edit"), QStringLiteral("enter_ms"),
         R::Median, 1, T::Below, 16},
        {QStringLiteral("Backspace (ms)"), QStringLiteral("edit"), QStringLiteral("backspace_ms"),
         R::Median, 1, T::Below, 16},
        {QStringLiteral("Delete (ms)"), QStringLiteral("edit"), QStringLiteral("delete_ms"),
         R::Median, 1, T::Below, 16},
        {QStringLiteral("Paste 100 KB (ms)"), QStringLiteral("edit"), QStringLiteral("paste_ms"),
         R::Median, 1, T::Below, 16},
        {QStringLiteral("Ctrl+End (ms)"), QStringLiteral("edit"), QStringLiteral("ctrl_end_ms"),
         R::Median, 1, T::Below, 16},
        {QStringLiteral("Find Next, match near the end, case on (ms)"), QStringLiteral("find"),
         QStringLiteral("find_end_case_ms"), R::Median, 1, T::Below, 50},
        {QStringLiteral("Find Next, match near the end, case off (ms)"), QStringLiteral("find"),
         QStringLiteral("find_end_nocase_ms"), R::Median, 1, T::Below, 50},
        {QStringLiteral("Find Next, no match, case on (ms)"), QStringLiteral("find"),
         QStringLiteral("find_none_case_ms"), R::Median, 1, T::Below, 50},
        {QStringLiteral("Find Next, no match, case off (ms)"), QStringLiteral("find"),
         QStringLiteral("find_none_nocase_ms"), R::Median, 1, T::Below, 50},
        {QStringLiteral("Save 10 MB (ms)"), QStringLiteral("save"), QStringLiteral("save_ms"),
         R::Median, 1, T::Below, 100},
        {QStringLiteral("File, New (ms)"), QStringLiteral("new"), QStringLiteral("new_ms"),
         R::Median, 1, T::Below, 15},
        {QStringLiteral("Font menu, first opening (ms)"), QStringLiteral("fontmenu"),
         QStringLiteral("fontmenu_ms"), R::Median, 1, T::Below, 100},
        {QStringLiteral("Type a character, 50 font menus filled (ms)"), QStringLiteral("fontmenu"),
         QStringLiteral("type_fontmenus_ms"), R::Median, 1, T::Below, 16},
        {QStringLiteral("50 windows: slowest File, New (ms)"), QStringLiteral("windows"),
         QStringLiteral("windows_new_ms"), R::Max, 1, T::Below, 50},
        {QStringLiteral("50 windows: tile (ms)"), QStringLiteral("windows"),
         QStringLiteral("windows_tile_ms"), R::Max, 1, T::Below, 50},
        {QStringLiteral("50 windows: cascade (ms)"), QStringLiteral("windows"),
         QStringLiteral("windows_cascade_ms"), R::Max, 1, T::Below, 50},
        {QStringLiteral("50 windows: slowest close (ms)"), QStringLiteral("windows"),
         QStringLiteral("windows_close_ms"), R::Max, 1, T::Below, 50},
        {QStringLiteral("Extra window, typed line: mean of 20 (MiB)"), QStringLiteral("memory"),
         QStringLiteral("memory_each_kib"), R::Median, mib, T::Below, 0.1},
        {QStringLiteral("Extra window, typed line: the first (MiB)"), QStringLiteral("memory"),
         QStringLiteral("memory_first_kib"), R::Median, mib, T::None, 0},
        {QStringLiteral("200 extra windows, typed line (MiB)"), QStringLiteral("memory"),
         QStringLiteral("memory_200_kib"), R::Median, mib, T::Below, 25},
        {QStringLiteral("Extra window, 64,000 B: mean of 20 (MiB)"), QStringLiteral("memory64k"),
         QStringLiteral("memory_each_kib"), R::Median, mib, T::Below, 0.3},
        {QStringLiteral("Extra window, 64,000 B: the first (MiB)"), QStringLiteral("memory64k"),
         QStringLiteral("memory_first_kib"), R::Median, mib, T::None, 0},
        {QStringLiteral("Open 64,000 B in one line until idle (ms)"), QStringLiteral("openline64k"),
         QStringLiteral("open_ms"), R::Median, 1, T::RatioToAtMost, 1.3, QStringLiteral("open64k")},
    };
    // Typing, Find Next and opening keep the same budgets in every kind of document.
    for (const QString& kind : {QStringLiteral("lf"), QStringLiteral("utf8")}) {
        const QString tag =
            kind == QLatin1String("lf") ? QStringLiteral("LF: ") : QStringLiteral("UTF-8, LF: ");
        for (const Row& row : QVector<Row>(all)) {
            if (row.job != QLatin1String("open64k") && row.job != QLatin1String("edit") &&
                row.job != QLatin1String("find"))
                continue;
            Row copy = row;
            copy.label = tag + row.label;
            copy.job = row.job + QLatin1Char('-') + kind;
            all.append(copy);
        }
    }
    // The same figures for each length of the one line.
    const struct {
        const char* job;
        const char* size;
    } lines[] = {{"line64k", "64,000 B"}, {"line2m", "2 MB"}, {"line10m", "10 MB"}};
    const struct {
        const char* label;
        const char* figure;
    } keys[] = {{"type a character", "line_type_ms"},
                {"Backspace", "line_backspace_ms"},
                {"Enter", "line_enter_ms"},
                {"Delete", "line_delete_ms"},
                {"caret down a line", "line_down_ms"},
                {"caret right a word", "line_wordright_ms"}};
    for (const auto& line : lines) {
        const QString job = QString::fromLatin1(line.job);
        for (const auto& key : keys) {
            all.append({QStringLiteral("%1 line: %2 (ms)")
                            .arg(QLatin1String(line.size), QLatin1String(key.label)),
                        job, QString::fromLatin1(key.figure), R::Median, 1, T::Below, 16});
        }
        all.append({QStringLiteral("%1 line: 2.5 s after the last key (ms CPU)")
                        .arg(QLatin1String(line.size)),
                    job, QStringLiteral("line_rest_cpu_ms"), R::Median, 1, T::None, 0});
        all.append(
            {QStringLiteral("%1 line: idle, caret blinking (% CPU)").arg(QLatin1String(line.size)),
             job, QStringLiteral("line_idle_cpu_pct"), R::Median, 1, T::Below, 1});
    }
    // Typing from outside, beside the framed floor: the first repaint after each key, and the CPU
    // time per key; into the empty start-up window, a document of 64,000 B of lines with the caret
    // in its middle line, and one line of 64,000 B with the caret at its end.
    const struct {
        const char* job;
        const char* what;
        double cpuLimit;
    } typed[] = {{"typing", "empty", 0},
                 {"typing64k", "64,000 B lines, middle", 0},
                 {"typingline64k", "64,000 B line, end", 0.5}};
    for (const auto& t : typed) {
        const QString job = QString::fromLatin1(t.job);
        const QString what = QString::fromLatin1(t.what);
        all.append({QStringLiteral("Key to repaint, %1: median (ms)").arg(what), job,
                    QStringLiteral("key_latency_ms"), R::Median, 1, T::None, 0, QString(), true});
        all.append({QStringLiteral("Key to repaint, %1: p95 (ms)").arg(what), job,
                    QStringLiteral("key_latency_ms"), R::P95, 1, T::None, 0, QString(), true});
        all.append({QStringLiteral("CPU per key, %1 (ms)").arg(what), job,
                    QStringLiteral("key_cpu_ms"), R::Median, 1, t.cpuLimit > 0 ? T::Below : T::None,
                    t.cpuLimit, QString(), true});
    }
    all.append({QStringLiteral("Paste 2 MB as one line until idle (ms)"),
                QStringLiteral("pasteline"), QStringLiteral("pasteline_ms"), R::Median, 1, T::Below,
                500});
    all.append({QStringLiteral("After that paste: the next 2.5 s (ms CPU)"),
                QStringLiteral("pasteline"), QStringLiteral("pasteline_rest_cpu_ms"), R::Median, 1,
                T::None, 0});
    all.append({QStringLiteral("After that paste: idle, caret blinking (% CPU)"),
                QStringLiteral("pasteline"), QStringLiteral("pasteline_idle_cpu_pct"), R::Median, 1,
                T::Below, 1});
    return all;
}

QStringList BenchTable::argsFor(const Job& job, Side side) const {
    QStringList args = job.args;
    const QString out = QDir(m_dir).filePath(side == Side::Floor ? QStringLiteral("saved-floor.txt")
                                                                 : QStringLiteral("saved.txt"));
    args.replaceInStrings(QStringLiteral("@OUT@"), out);
    return args;
}

bool BenchTable::runJob(const Job& job, int round, bool record) {
    // Alternate which side goes first, so that neither always runs on a warmer machine.
    QVector<Side> order = {Side::Tavulella, Side::Floor};
    if (job.framed) order.append(Side::FramedFloor);
    if (round % 2) std::reverse(order.begin(), order.end());
    bool ok = true;
    for (Side side : order) {
        QString program = side != Side::Tavulella  ? m_programs.floor
                          : job.tavulellaAsProgram ? m_programs.startup
                                                   : m_programs.work;
        QStringList args = argsFor(job, side);
        if (side == Side::FramedFloor) args.prepend(QStringLiteral("--framed"));
        if (job.typedInto) {
            args = QStringList{QStringLiteral("--"), program} + args;
            program = m_programs.keyLatency;
        }
        ChildRun r = ChildRun::run(program, args, kTimeoutMs);
        if (!r.ok()) {
            m_errors.append(r.error());
            say(QStringLiteral("  ") + r.error());
            if (record && !m_failedJobs.contains(job.name)) m_failedJobs.append(job.name);
            ok = false;
        }
        if (record) m_results[job.name][int(side)].append(r);
    }
    return ok;
}

double BenchTable::reduceRun(const ChildRun& run, const Row& row) {
    const QVector<double> values = run.values(row.figure);
    if (values.isEmpty()) return -1;
    switch (row.reduce) {
        case Reduce::StartUp:
            return (values.first() - double(run.startNs())) / 1e6;
        case Reduce::Max:
            return *std::max_element(values.begin(), values.end()) * row.scale;
        case Reduce::P95: {
            QVector<double> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            // The nearest rank: the smallest sample that 95 % of the samples do not exceed.
            const qsizetype rank = (95 * sorted.size() + 99) / 100;
            return sorted[std::max<qsizetype>(rank, 1) - 1] * row.scale;
        }
        case Reduce::Median:
            break;
    }
    return medianOf(values) * row.scale;
}

double BenchTable::median(const Row& row, Side side) const {
    QVector<double> perRun;
    for (const ChildRun& r : m_results.value(row.job).value(int(side))) {
        const double v = reduceRun(r, row);
        if (v >= 0) perRun.append(v);
    }
    return medianOf(perRun);
}

QString BenchTable::targetText(const Row& row) const {
    switch (row.target) {
        case Target::None:
            return QStringLiteral("-");
        case Target::RatioAtMost:
            return QStringLiteral("<= %1 x floor").arg(row.limit);
        case Target::FloorPlusAtMost:
            return QStringLiteral("<= floor + %1").arg(row.limit);
        case Target::Below:
            return QStringLiteral("< %1").arg(row.limit);
        case Target::RatioToAtMost:
            return QStringLiteral("<= %1 x %2").arg(row.limit).arg(row.versus);
    }
    return QString();
}

int BenchTable::printTable() const {
    const QString header = QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6")
                               .arg(QStringLiteral("Figure"), -46)
                               .arg(QStringLiteral("Tavulella"), 9)
                               .arg(QStringLiteral("floor"), 9)
                               .arg(QStringLiteral("ratio"), 6)
                               .arg(QStringLiteral("target"), -16)
                               .arg(QStringLiteral("result"));
    std::printf("%s\n%s\n", qPrintable(header), qPrintable(QString(header.size(), u'-')));
    int failed = 0;
    for (const Row& row : rows()) {
        if (!m_only.isEmpty() && !m_only.contains(row.job)) continue;
        const double t = median(row, Side::Tavulella);
        const double f = median(row, row.framed ? Side::FramedFloor : Side::Floor);
        QString result = QStringLiteral("info");
        if (m_failedJobs.contains(row.job)) {
            result = QStringLiteral("FAIL (a run failed)");
        } else if (t < 0) {
            result = QStringLiteral("FAIL (no figure)");
        } else if (row.target != Target::None) {
            bool pass = false;
            switch (row.target) {
                case Target::RatioAtMost:
                    pass = f > 0 && t <= row.limit * f;
                    break;
                case Target::FloorPlusAtMost:
                    pass = f > 0 && t <= f + row.limit;
                    break;
                case Target::Below:
                    pass = t < row.limit;
                    break;
                case Target::RatioToAtMost: {
                    Row versus = row;
                    versus.job = row.versus;
                    const double v = median(versus, Side::Tavulella);
                    pass = v > 0 && t <= row.limit * v;
                    break;
                }
                case Target::None:
                    break;
            }
            result = pass ? QStringLiteral("pass") : QStringLiteral("FAIL");
        }
        if (result.startsWith(QLatin1String("FAIL"))) ++failed;
        // Memory in MiB to the KiB.
        const auto number = [&row](double v) {
            return v < 0 ? QStringLiteral("n/a") : QString::number(v, 'f', row.scale < 1 ? 3 : 1);
        };
        const QString ratio =
            t >= 0 && f > 0 ? QString::number(t / f, 'f', 2) : QStringLiteral("-");
        std::printf("%s\n", qPrintable(QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6")
                                           .arg(row.label, -46)
                                           .arg(number(t), 9)
                                           .arg(number(f), 9)
                                           .arg(ratio, 6)
                                           .arg(targetText(row), -16)
                                           .arg(result)));
    }
    // Families installed, as the programs counted them.
    for (const ChildRun& r :
         m_results.value(QStringLiteral("fontmenu")).value(int(Side::Tavulella))) {
        const QVector<double> families = r.values(QStringLiteral("font_families"));
        if (!families.isEmpty()) {
            std::printf("\nFont families installed: %.0f. Medians of %d runs per figure.\n",
                        families.first(), m_runs);
            break;
        }
    }
    for (const QString& e : m_errors) std::printf("error: %s\n", qPrintable(e));
    std::printf("%s\n", failed ? qPrintable(QStringLiteral("%1 target(s) missed.").arg(failed))
                               : "Every target holds.");
    std::fflush(stdout);
    return failed ? 1 : 0;
}

int BenchTable::run() {
    if (!prepareFiles()) {
        say(QStringLiteral("cannot write the test files into %1").arg(m_dir));
        return 2;
    }
    QVector<Job> all = jobs();
    if (!m_only.isEmpty()) {
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [this](const Job& j) { return !m_only.contains(j.name); }),
                  all.end());
    }
    say(QStringLiteral("warm-up"));
    for (const Job& job : all) runJob(job, 0, false);
    m_errors.clear();
    for (int round = 1; round <= m_runs; ++round) {
        say(QStringLiteral("run %1 of %2").arg(round).arg(m_runs));
        for (const Job& job : all) runJob(job, round, true);
    }
    return printTable();
}
