#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>

#include "ChildCase.h"
#include "DiskFiles.h"
#include "FrameFixture.h"
#include "TempSettings.h"
#include "core/files/RecentList.h"
#include "core/files/SettingsStore.h"
#include "gui/document/frmNotePad.h"
#include "gui/textbox/TextBox.h"

// The settings store that keeps the recent-files list, when it is damaged, unusable or shared,
// met through the whole program: the program starts, keeps working and opens and saves files;
// what it cannot store it says once; a store it can write is well-formed again afterwards; and
// two running copies remembering files at the same time keep one list with no entry lost in the
// middle or torn.
namespace {

using Answer = DialogService::Answer;

const QString StoreFailed =
    QStringLiteral("'A lista d''e file arapute urdeme nun s'è pututa astipa'.");

// The paths the frame's File menu shows as recent files, in order.
QStringList shownOnFrame(frmMDI& frame) {
    QStringList out;
    for (QAction* item : frame.mnuRecentFile) {
        if (item->isVisible() && !item->isSeparator()) out << RecentFilesMenu::recentEntry(item);
    }
    return out;
}

// File, Open through the dialog, from the active window or from the frame.
void openThroughDialog(FrameFixture& f, const QString& path) {
    f.dialogs().answerOpen(path);
    if (frmNotePad* w = f.active())
        w->mnuFOpen_Click();
    else
        f.frame().mnuFOpen_Click();
    FrameFixture::settle();
}

void expect(QStringList& problems, bool ok, const QString& what) {
    if (!ok) problems << what;
}

// With a store that cannot be written: opening a file and saving one under a new name work,
// each failure to remember is told once, and the store's file is as it was.
QString unusableStore(const QString& configHome, const QString& folder) {
    QStringList problems;
    FrameFixture f;
    // The store of the case, which the fixture's own settings folder stands in for otherwise.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    const QString file = configHome + QStringLiteral("/Notariello/Notariello.conf");
    const QByteArray before = DiskFiles::bytes(file);
    f.frame().recentFiles().LoadRecentList();
    const QStringList listed = shownOnFrame(f.frame());

    const QString a = folder + QStringLiteral("/a.txt");
    f.dialogs().answerMessageBox(Answer::Ok);
    openThroughDialog(f, a);
    frmNotePad* w = f.active();
    expect(problems, w && w->Caption() == a.toUpper(), QStringLiteral("the file did not open"));
    const auto boxes = f.dialogs().callsOf(ScriptedDialogs::Kind::MessageBox);
    expect(problems, boxes.size() == 1,
           QStringLiteral("%1 messages, expected one").arg(boxes.size()));
    if (!boxes.isEmpty()) {
        expect(problems, boxes.last().prompt == StoreFailed,
               QStringLiteral("prompt \"%1\"").arg(boxes.last().prompt));
        expect(problems, boxes.last().icon == DialogService::Icon::Exclamation,
               QStringLiteral("wrong icon"));
        expect(problems, boxes.last().title == QLatin1String("MDI"), QStringLiteral("wrong title"));
    }
    if (w) {
        const QString b = folder + QStringLiteral("/b.txt");
        w->Text1->setSelText("B");
        f.dialogs().answerSave(b);
        f.dialogs().answerMessageBox(Answer::Ok);
        w->mnuFSaveAs_Click();
        expect(problems, DiskFiles::bytes(b) == "B" + DiskFiles::bytes(a) + "\r\n",
               QStringLiteral("the file was not saved"));
        expect(problems, w->documentState().Changed == DocumentState::False,
               QStringLiteral("the window counts as changed after its save"));
    }
    expect(problems, shownOnFrame(f.frame()) == listed, QStringLiteral("the menus changed"));
    expect(problems, f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
           f.dialogs().problems());
    expect(problems, DiskFiles::bytes(file) == before, QStringLiteral("the store's file changed"));
    return problems.join(QStringLiteral("; "));
}

// One running copy of the program remembering count files of its own through the open dialog,
// in a store shared with another copy.
QString rememberMany(const QString& configHome, const QString& folder, const QString& tag,
                     int count) {
    QStringList problems;
    FrameFixture f;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    f.frame().recentFiles().LoadRecentList();
    for (int i = 0; i < count && problems.isEmpty(); ++i) {
        const QString path =
            QStringLiteral("%1/%2-%3.txt").arg(folder, tag).arg(i, 2, 10, QLatin1Char('0'));
        if (!DiskFiles::put(path, tag.toUtf8())) return QStringLiteral("cannot write ") + path;
        openThroughDialog(f, path);
        expect(problems, f.active() && f.active()->Caption() == path.toUpper(),
               QStringLiteral("%1 did not open").arg(path));
        expect(problems, f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
               f.dialogs().problems());
        // The newest entry is shown first; nothing shown is torn or foreign.
        const QStringList shown = shownOnFrame(f.frame());
        expect(problems, shown.value(0) == path || shown.contains(path),
               QStringLiteral("%1 is not listed after opening it: %2").arg(path, shown.join(' ')));
        f.dialogs().clear();
        if (f.active()) f.active()->mnuFClose_Click();
        FrameFixture::settle();
    }
    return problems.join(QStringLiteral("; "));
}

// Another copy of the program remembering one path in the store under configHome.
QString rememberOne(const QString& configHome, const QString& path) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    TempSettings::Store store;
    return RecentList(store).store(path) ? QString() : QStringLiteral("the store was not written");
}

QString runCase(const QStringList& args) {
    if (args.value(0) == QLatin1String("one") && args.size() == 3)
        return rememberOne(args[1], args[2]);
    if (args.value(0) == QLatin1String("unusable") && args.size() == 3)
        return unusableStore(args[1], args[2]);
    if (args.value(0) == QLatin1String("remember") && args.size() == 5)
        return rememberMany(args[1], args[2], args[3], args[4].toInt());
    return QStringLiteral("no such case: ") + args.join(' ');
}

}  // namespace

class tst_SettingsFaults : public QObject {
    Q_OBJECT
private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    // Whatever the store's file holds, the program starts, shows no garbage as a recent file,
    // remembers the next file, and the store is well-formed from then on. What each kind of
    // garbage reads as is a case of tst_recentlist.
    void garbageInTheStore_data() {
        QTest::addColumn<QByteArray>("contents");
        QByteArray noise;
        for (int i = 0; i < 8192; ++i) noise.append(char((i * 7919 + 13) % 256));
        QTest::newRow("binary noise") << noise;
        QTest::newRow("very long value")
            << "[Recent%20Files]\nRecentFile1=/" + QByteArray(200000, 'v') + "\n";
    }

    void garbageInTheStore() {
        QFETCH(QByteArray, contents);
        FrameFixture f;
        QVERIFY(DiskFiles::put(f.settings().file(), contents));

        // A copy of the program starting now, on this store.
        auto dialogs = std::make_unique<ScriptedDialogs>();
        ScriptedDialogs& said = *dialogs;
        frmMDI later(std::move(dialogs), std::make_unique<QtSystemServices>());
        later.MDIForm_Load();
        FrameFixture::settle();
        QVERIFY2(!said.unexpectedDialog(), qPrintable(said.problems()));
        const QStringList shown = shownOnFrame(later);
        QVERIFY(shown.size() <= 4);
        for (const QString& entry : shown) {
            QVERIFY2(!entry.isEmpty() && !entry.contains(QChar(0)), qPrintable(entry.left(80)));
        }

        const QString a = f.writeFile(QStringLiteral("a.txt"), "A");
        said.answerOpen(a);
        later.mnuFOpen_Click();
        FrameFixture::settle();
        QVERIFY2(said.allAnswersUsed() && !said.unexpectedDialog(), qPrintable(said.problems()));
        QCOMPARE(shownOnFrame(later).value(0), a);

        QSettings check(f.settings().file(), QSettings::IniFormat);
        QCOMPARE(check.status(), QSettings::NoError);
        QCOMPARE(check.value(QStringLiteral("Recent Files/RecentFile1")).toString(), a);
        later.close();
    }

    // Stores that cannot be written: a folder where the file should be (nothing can be read
    // either), a file without write permission (as the unprivileged user). Every other reason a
    // store cannot be written is a case of tst_recentlist.
    void anUnusableStore_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("folder in the file's place") << "folder";
        QTest::newRow("read-only file") << "readonly";
    }

    void anUnusableStore() {
        QFETCH(QString, what);
        TempSettings settings;
        QVERIFY(::chmod(QFile::encodeName(settings.parent()).constData(), 0755) == 0);
        const QString home = settings.home();
        const QString folder = settings.folder();
        const QString file = settings.file();
        const QString files = settings.parent() + QStringLiteral("/files");
        QVERIFY(QDir().mkpath(files) && QDir().mkpath(folder));
        QVERIFY(DiskFiles::put(files + QStringLiteral("/a.txt"), "a\r\n"));
        QVERIFY(::chmod(QFile::encodeName(files).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(home).constData(), 0755) == 0);
        const QByteArray listed("[Recent%20Files]\nRecentFile1=/x/old.txt\n");
        const bool unprivileged = what != QLatin1String("folder");
        if (!unprivileged) {
            QVERIFY(QDir().mkpath(file));
        } else {
            QVERIFY(DiskFiles::put(file, listed));
            QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0);
            // The folder would let anyone replace the file.
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        }
        const QByteArray before = DiskFiles::bytes(file);
        const QString problem =
            unprivileged ? ChildCase::run({"unusable", home, files}, ChildCase::User::Unprivileged)
                         : unusableStore(home, files);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(DiskFiles::bytes(file), before);
    }

    // The very first use of the store, before its folder exists, waits for another copy's use
    // like any other: the first two entries stored at once are both kept.
    void theFirstEntriesOfTwoCopiesAreBothKept() {
        TempSettings settings;
        const QString home = settings.home();
        TempSettings::Store mine;
        // This copy's exchange begins (with reading, as storing does) while there is no store.
        QCOMPARE(mine.value(RecentList::Section, RecentList::keyFor(1)), QString());
        ChildCase other({"one", home, "/other.txt"}, ChildCase::User::Same);
        // Time for the other copy to store its entry, were it not held back.
        QTest::qWait(500);
        mine.setValue(RecentList::Section, RecentList::keyFor(1), QStringLiteral("/mine.txt"));
        QCOMPARE(mine.sync(), SettingsStore::Status::Ok);
        const QString problem = other.finished();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(RecentList(mine).entries(), (QStringList{"/other.txt", "/mine.txt"}));
    }

    // Two copies of the program open files one after another at the same time, each its own.
    // The stored list stays well-formed: the keys RecentFile1 to RecentFile4, each value a whole
    // path one of them opened, and each copy's entries newest first with none lost between them.
    void twoProgramsRememberAtOnce() {
        TempSettings settings;
        const QString home = settings.home();
        const QString files = settings.parent() + QStringLiteral("/files");
        QVERIFY(QDir().mkpath(home) && QDir().mkpath(files));
        constexpr int Count = 25;
        ChildCase first({"remember", home, files, "A", QString::number(Count)},
                        ChildCase::User::Same);
        ChildCase second({"remember", home, files, "B", QString::number(Count)},
                         ChildCase::User::Same);
        const QString firstProblem = first.finished();
        const QString secondProblem = second.finished();
        QVERIFY2(firstProblem.isEmpty(), qPrintable(firstProblem));
        QVERIFY2(secondProblem.isEmpty(), qPrintable(secondProblem));

        QSettings check(settings.file(), QSettings::IniFormat);
        QCOMPARE(check.status(), QSettings::NoError);
        check.beginGroup(QStringLiteral("Recent Files"));
        QStringList keys = check.childKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"RecentFile1", "RecentFile2", "RecentFile3", "RecentFile4"}));
        QStringList entries;
        for (int i = 1; i <= 4; ++i)
            entries << check.value(QStringLiteral("RecentFile%1").arg(i)).toString();
        const QRegularExpression whole(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(files) + QStringLiteral("/([AB])-(\\d\\d)\\.txt")));
        int next[2] = {Count - 1, Count - 1};
        bool newestFirst = false;
        for (const QString& e : std::as_const(entries)) {
            const QRegularExpressionMatch m = whole.match(e);
            QVERIFY2(m.hasMatch(), qPrintable(QStringLiteral("torn or foreign entry: ") + e));
            int& expected = next[m.captured(1) == QLatin1String("A") ? 0 : 1];
            QVERIFY2(m.captured(2).toInt() == expected, qPrintable(entries.join(' ')));
            if (expected == Count - 1 && e == entries.first()) newestFirst = true;
            --expected;
        }
        // The last file either copy opened is the newest entry.
        QVERIFY2(newestFirst, qPrintable(entries.join(' ')));
    }
};

int main(int argc, char** argv) { return ChildCase::main<tst_SettingsFaults>(argc, argv, runCase); }

#include "tst_settingsfaults.moc"
