#include <QDir>
#include <QDirIterator>
#include <QTest>

#include "CodePageProperties.h"
#include "SearchScript.h"
#include "TextBoxScript.h"
#include "TextBufferScript.h"

// Replays what the fuzz targets keep: their seed inputs (fuzz/corpus/<target>/) and every input
// that once made a target fail (fuzz/regressions/<target>/). Each is run through the same check
// the target makes, so a fault a fuzzer found stays found.
class tst_FuzzReplay : public QObject {
    Q_OBJECT
private:
    static QString check(const QString& target, const QByteArray& input) {
        if (target == QLatin1String("fuzz_codepage")) return CodePageProperties::check(input);
        if (target == QLatin1String("fuzz_textbuffer")) return TextBufferScript::run(input);
        if (target == QLatin1String("fuzz_textbox")) return TextBoxScript::run(input);
        if (target == QLatin1String("fuzz_search")) return SearchScript::run(input);
        return QStringLiteral("no check for the target %1").arg(target);
    }

    // One row per kept input of the target.
    static void addInputs(const QString& target) {
        // ctest names the checkout's fuzz folder: a build folder may hold a fuzz/ of its own
        // (the fuzz targets), which has no inputs.
        QString root = qEnvironmentVariable("TAVULELLA_FUZZ_DIR");
        if (root.isEmpty()) {
            const QString corpus = QFINDTESTDATA("../fuzz/corpus");
            if (!corpus.isEmpty()) root = QFileInfo(corpus).path();
        }
        QVERIFY2(!root.isEmpty(), "the fuzz folder of the checkout is not found");
        int inputs = 0;
        for (const QString& kind : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
            QDir dir(root + QLatin1Char('/') + kind + QLatin1Char('/') + target);
            const QStringList files = dir.entryList(QDir::Files, QDir::Name);
            for (const QString& name : files) {
                QFile f(dir.filePath(name));
                QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
                QTest::addRow("%s/%s", qPrintable(kind), qPrintable(name)) << f.readAll();
                ++inputs;
            }
        }
        // A target without seeds would start from nothing in every run.
        QVERIFY2(inputs > 0, qPrintable(QStringLiteral("no inputs kept for %1").arg(target)));
    }

    void replay(const QString& target) {
        QFETCH(QByteArray, input);
        // TAVULELLA_FUZZ_TRACE names a folder that takes what the text box holds after each
        // step of each input, to compare two builds by.
        const QString traces = qEnvironmentVariable("TAVULELLA_FUZZ_TRACE");
        if (target == QLatin1String("fuzz_textbox") && !traces.isEmpty()) {
            QFile out(traces + QLatin1Char('/') +
                      QString::fromLatin1(QTest::currentDataTag()).replace(u'/', u'_'));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(TextBoxScript::trace(input).join(u'\n').toUtf8());
        }
        const QString problem = check(target, input);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

private slots:
    void codePage_data() {
        QTest::addColumn<QByteArray>("input");
        addInputs(QStringLiteral("fuzz_codepage"));
    }
    void codePage() { replay(QStringLiteral("fuzz_codepage")); }

    void textBuffer_data() {
        QTest::addColumn<QByteArray>("input");
        addInputs(QStringLiteral("fuzz_textbuffer"));
    }
    void textBuffer() { replay(QStringLiteral("fuzz_textbuffer")); }

    void textBox_data() {
        QTest::addColumn<QByteArray>("input");
        addInputs(QStringLiteral("fuzz_textbox"));
    }
    void textBox() { replay(QStringLiteral("fuzz_textbox")); }

    void search_data() {
        QTest::addColumn<QByteArray>("input");
        addInputs(QStringLiteral("fuzz_search"));
    }
    void search() { replay(QStringLiteral("fuzz_search")); }

    // Every byte, line breaks of each kind, a character outside the code page and one outside
    // the Basic Multilingual Plane.
    void everyByteAndSomeTextByHand() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) all.append(char(b));
        QCOMPARE(CodePageProperties::checkBytes(all + "\r\n\r\r\n\n"), QString());
        QCOMPARE(CodePageProperties::checkText(QStringLiteral("a\U0001F600\u0142\r\n")), QString());
    }
};

QTEST_MAIN(tst_FuzzReplay)
#include "tst_fuzzreplay.moc"
