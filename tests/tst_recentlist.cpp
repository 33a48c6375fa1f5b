#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QMenu>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>
#include <functional>
#include <map>

#include "ChildCase.h"
#include "DiskFiles.h"
#include "FrameFixture.h"
#include "TempSettings.h"
#include "core/files/RecentList.h"
#include "core/files/SettingsStore.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/Toolbar.h"
#include "gui/textbox/TextBox.h"

namespace {

// A settings store kept in memory: keys are listed in the order they were created, writes are
// kept until sync() like the real store's, and writing can be made to fail.
class MemoryStore : public SettingsStore {
public:
    QString value(const QString& section, const QString& key) override {
        for (const auto& [k, v] : m_sections[section])
            if (k == key) return v;
        return QString();
    }
    void setValue(const QString& section, const QString& key, const QString& value) override {
        m_pending.append({section, {key, value}});
    }
    QList<std::pair<QString, QString>> pairs(const QString& section) override {
        return m_sections[section];
    }
    Status sync() override {
        ++syncs;
        if (m_pending.isEmpty()) return Status::Ok;
        const auto pending = std::exchange(m_pending, {});
        if (failWrites) return Status::AccessError;
        for (const auto& [section, pair] : pending) put(section, pair.first, pair.second);
        return Status::Ok;
    }
    // Puts a value straight into the store (as another program could).
    void put(const QString& section, const QString& key, const QString& value) {
        auto& pairs = m_sections[section];
        for (auto& [k, v] : pairs) {
            if (k == key) {
                v = value;
                return;
            }
        }
        pairs.append({key, value});
    }
    QStringList keys(const QString& section) const {
        QStringList result;
        const auto it = m_sections.find(section);
        if (it != m_sections.end())
            for (const auto& [k, v] : it->second) result << k;
        return result;
    }

    bool failWrites = false;
    int syncs = 0;

private:
    std::map<QString, QList<std::pair<QString, QString>>> m_sections;
    QList<std::pair<QString, std::pair<QString, QString>>> m_pending;
};

const QString Section = QStringLiteral("Recent Files");

QStringList keysUpTo(int n) {
    QStringList keys;
    for (int i = 1; i <= n; ++i) keys << RecentList::keyFor(i);
    return keys;
}

// Starts fn in a child process that waits until the gate opens (its write end is closed).
pid_t startChild(const int gate[2], const std::function<int()>& fn) {
    const pid_t child = fork();
    if (child == 0) {
        close(gate[1]);
        char c;
        while (read(gate[0], &c, 1) > 0) {
        }
        _exit(fn());
    }
    return child;
}

// The exit status of a child, or -1 when it did not end normally.

int waitChild(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

// The recent-files list: its rules over a store in memory and over the real per-user store, the
// real store's failures, and the list in the File menus of the frame and the document windows.
class tst_RecentList : public QObject {
    Q_OBJECT
private:
    // Stores paths as a user opening them one after the other would: oldest first.
    static void storeAll(SettingsStore& store, const QStringList& oldestFirst) {
        RecentList list(store);
        for (const QString& p : oldestFirst) QVERIFY(list.store(p));
    }

    using Answer = DialogService::Answer;

    // The paths the recent-file items of a window show, in menu order; first..last are the
    // indices of the items that can carry entries.
    static QStringList shown(const std::array<QAction*, 5>& items, int first) {
        QStringList paths;
        for (int i = first; i < static_cast<int>(items.size()); ++i) {
            if (items[i]->isVisible()) paths << RecentFilesMenu::recentEntry(items[i]);
        }
        return paths;
    }
    // What the frame's File menu shows after its own separator, in menu order.
    static QStringList frameMenuBlock(frmMDI& frame) {
        QStringList captions;
        bool inBlock = false;
        for (QAction* a : frame.mnuFile->actions()) {
            if (a == frame.mnuSeparator) {
                inBlock = true;
            } else if (inBlock && a->isVisible()) {
                captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
            }
        }
        return captions;
    }
    static QStringList stored(frmMDI& frame) {
        return RecentList(frame.services().settings()).entries();
    }
    // Opens path through the open dialog, as File, Open does.
    static void openThroughDialog(FrameFixture& f, const QString& path) {
        f.dialogs().answerOpen(path);
        f.frame().mnuFOpen_Click();
        FrameFixture::settle();
    }
    // Every open document window shows entries (newest first) after a separator.
    static void checkDocumentMenus(FrameFixture& f, const QStringList& entries) {
        for (frmNotePad* w : f.documents()) {
            QCOMPARE(w->mnuRecentFile[0]->isVisible(), !entries.isEmpty());
            QVERIFY(w->mnuRecentFile[0]->isSeparator());
            QCOMPARE(shown(w->mnuRecentFile, 1), entries);
        }
    }

private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    // ---- The list's rules, over the store in memory and over the real store ----

    void storingShiftsTheList_data() {
        QTest::addColumn<bool>("real");
        QTest::addColumn<QStringList>("before");  // oldest first, as they were stored
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("after");  // newest first, as the list reads
        for (bool real : {false, true}) {
            const char* kind = real ? "real store" : "memory";
            QTest::addRow("%s: first entry", kind)
                << real << QStringList{} << "/d/a.txt" << QStringList{"/d/a.txt"};
            QTest::addRow("%s: A B then C", kind)
                << real << QStringList{"/d/a.txt", "/d/b.txt"} << "/d/c.txt"
                << QStringList{"/d/c.txt", "/d/b.txt", "/d/a.txt"};
            QTest::addRow("%s: A B C D then E", kind)
                << real << QStringList{"/d/d.txt", "/d/c.txt", "/d/b.txt", "/d/a.txt"} << "/d/e.txt"
                << QStringList{"/d/e.txt", "/d/a.txt", "/d/b.txt", "/d/c.txt"};
            QTest::addRow("%s: four then two more", kind)
                << real << QStringList{"/1", "/2", "/3", "/4", "/5"} << "/6"
                << QStringList{"/6", "/5", "/4", "/3"};
            QTest::addRow("%s: same path again is stored again", kind)
                << real << QStringList{"/d/a.txt"} << "/d/a.txt"
                << QStringList{"/d/a.txt", "/d/a.txt"};
        }
    }
    void storingShiftsTheList() {
        QFETCH(bool, real);
        QFETCH(QStringList, before);
        QFETCH(QString, path);
        QFETCH(QStringList, after);

        TempSettings home;
        MemoryStore memory;
        TempSettings::Store disk;
        SettingsStore& store = real ? disk : static_cast<SettingsStore&>(memory);

        storeAll(store, before);
        QVERIFY(RecentList(store).store(path));
        QCOMPARE(RecentList(store).entries(), after);

        // Keys are created in position order and never removed.
        QStringList keys;
        for (const auto& [k, v] : store.pairs(Section)) keys << k;
        store.sync();
        QCOMPARE(keys, keysUpTo(after.size()));
        if (real) {
            QCOMPARE(disk.fileName(), home.file());
            QSettings check(home.file(), QSettings::IniFormat);
            QCOMPARE(check.childGroups(), QStringList{Section});
            QCOMPARE(check.value(Section + "/RecentFile1").toString(), path);
        }
    }

    void readingTheList_data() {
        QTest::addColumn<QStringList>("keys");  // in the order the store lists them
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("nothing stored") << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("empty first position hides the rest")
            << QStringList{"RecentFile1", "RecentFile2"} << QStringList{"", "/b"} << QStringList{};
        QTest::newRow("listed out of order")
            << QStringList{"RecentFile3", "RecentFile1", "RecentFile2"}
            << QStringList{"/c", "/a", "/b"} << QStringList{"/a", "/b", "/c"};
        QTest::newRow("other keys are passed over")
            << QStringList{"RecentFile1", "Other", "recentfile2", "RecentFile5", "RecentFile2"}
            << QStringList{"/a", "/x", "/y", "/z", "/b"} << QStringList{"/a", "/b"};
        QTest::newRow("empty position in the middle is passed over")
            << QStringList{"RecentFile1", "RecentFile2", "RecentFile3"}
            << QStringList{"/a", "", "/c"} << QStringList{"/a", "/c"};
    }
    void readingTheList() {
        QFETCH(QStringList, keys);
        QFETCH(QStringList, values);
        QFETCH(QStringList, entries);
        MemoryStore store;
        for (int i = 0; i < keys.size(); ++i) store.put(Section, keys[i], values[i]);
        QCOMPARE(RecentList(store).entries(), entries);
        QCOMPARE(store.syncs, 1);  // every reading ends its exchange with the store
    }

    void storingLeavesEmptyPositionsAlone() {
        MemoryStore store;
        store.put(Section, "RecentFile1", "/a");
        store.put(Section, "RecentFile2", "");
        QVERIFY(RecentList(store).store("/n"));
        QCOMPARE(store.keys(Section), (QStringList{"RecentFile1", "RecentFile2"}));
        QCOMPARE(store.value(Section, "RecentFile2"), QStringLiteral("/a"));
        QCOMPARE(store.value(Section, "RecentFile1"), QStringLiteral("/n"));
    }

    void aFailedWriteIsReportedAndChangesNothing() {
        MemoryStore store;
        storeAll(store, {"/a", "/b"});
        store.failWrites = true;
        QVERIFY(!RecentList(store).store("/c"));
        store.failWrites = false;
        QCOMPARE(RecentList(store).entries(), (QStringList{"/b", "/a"}));
    }

    // ---- The real store ----

    void oddPathsComeBackUnchanged_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("comma") << "/tmp/a, b.txt";
        QTest::newRow("quotes and backslash") << "/tmp/\"q\" \\x.txt";
        QTest::newRow("ini specials") << "/tmp/;#=[x].txt";
        QTest::newRow("leading at sign") << "@/tmp/a.txt";
        QTest::newRow("at variant") << "@Variant(x)";
        QTest::newRow("spaces at both ends") << "  /tmp/a.txt  ";
        QTest::newRow("letters beyond ASCII") << QString::fromUtf8("/tmp/caffè/città 漢.txt");
        QTest::newRow("ampersand and tab") << "/tmp/a&b\tc.txt";
        QTest::newRow("line break") << "/tmp/a\nb.txt";
        QTest::newRow("long") << "/" + QString(2000, QLatin1Char('x'));
        QTest::newRow("percent and slash") << "/tmp/100%/RecentFile1/x";
        QTest::newRow("a name that is not UTF-8 (byte E8)")
            << QStringLiteral("/tmp/caff%1 #%E8.txt").arg(QChar(0xDCE8));
        QTest::newRow("text that looks like a URI") << "file:///tmp/caff%C3%A8.txt";
    }
    void oddPathsComeBackUnchanged() {
        QFETCH(QString, path);
        TempSettings home;
        TempSettings::Store store;
        storeAll(store, {"/first", path, "/last"});
        QCOMPARE(RecentList(store).entries(), (QStringList{"/last", path, "/first"}));
    }

    void theStoreIsReadAfreshEachTime() {
        // Two stores on one file stand for two running copies of the program. Paths of one
        // length keep the file's size the same from one write to the next.
        TempSettings home;
        TempSettings::Store first;
        TempSettings::Store second;
        for (int i = 0; i < 40; ++i) {
            SettingsStore& writer = i % 2 ? first : second;
            SettingsStore& reader = i % 2 ? second : first;
            const QString path = QStringLiteral("/p/%1").arg(i % 10);
            QVERIFY(RecentList(writer).store(path));
            QCOMPARE(RecentList(reader).entries().value(0), path);
        }
    }

    void garbageReadsAsMuchAsParses_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("entries");
        QByteArray noise;
        for (int i = 0; i < 4096; ++i) noise.append(char((i * 7919 + 13) % 256));
        QTest::newRow("binary noise") << noise << QStringList{};
        QTest::newRow("broken section after the list")
            << QByteArray("[Recent%20Files]\nRecentFile1=/a\nRecentFile2=/b\n[broken\nx=1\n")
            << QStringList{"/a", "/b"};
        QTest::newRow("lines without equals")
            << QByteArray("[Recent%20Files]\nnonsense\nRecentFile1=/a\n\x01\x02\n")
            << QStringList{"/a"};
        QTest::newRow("unterminated quote")
            << QByteArray("[Recent%20Files]\nRecentFile1=/a\nRecentFile2=\"/b\n")
            << QStringList{"/a", "/b\n"};
        QTest::newRow("a value that is no text")
            << QByteArray("[Recent%20Files]\nRecentFile1=@Variant(\\0\\0\\0\\x7f)\n")
            << QStringList{};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("NUL bytes") << QByteArray(600, '\0') << QStringList{};
        QTest::newRow("broken section header")
            << QByteArray("[Recent%20Files\nRecentFile1=/x/a.txt\n[[[\n=\n")
            << QStringList{"/x/a.txt"};
        QTest::newRow("keys past the fourth")
            << QByteArray(
                   "[Recent%20Files]\nRecentFile1=/x/1\nRecentFile9=/x/9\n"
                   "RecentFile12=/x/12\nRecentFile-1=/x/m\nOther=/x/o\n")
            << QStringList{"/x/1"};
        QByteArray sections;
        for (int i = 0; i < 20000; ++i)
            sections += "[s" + QByteArray::number(i) + "]\nk=\x01\x02\xff\n";
        QTest::newRow("a megabyte of sections") << sections << QStringList{};
    }
    void garbageReadsAsMuchAsParses() {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, entries);
        TempSettings home;
        QVERIFY(home.write(contents));
        TempSettings::Store store;
        QCOMPARE(RecentList(store).entries(), entries);

        // The next entry is saved, and the list is in order again.
        QVERIFY(RecentList(store).store("/new"));
        QCOMPARE(RecentList(store).entries(), QStringList{"/new"} + entries.mid(0, 3));
        QSettings check(home.file(), QSettings::IniFormat);
        QCOMPARE(check.value(Section + "/RecentFile1").toString(), QStringLiteral("/new"));
        QCOMPARE(check.status(), QSettings::NoError);
    }

    // The settings file kept in a folder of dotfiles, reached through a symbolic link: the list
    // is read through the link and written to the file it leads to, and the link stays.
    void aStoreKeptThroughALink_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("absolute link") << "absolute";
        QTest::newRow("relative link") << "relative";
        QTest::newRow("chain of two links") << "chain";
        QTest::newRow("link to a file not yet made") << "dangling";
    }

    void aStoreKeptThroughALink() {
        QFETCH(QString, how);
        TempSettings home;
        const QString dotfiles = home.home() + QStringLiteral("/dotfiles");
        const QString real = dotfiles + QStringLiteral("/Notariello.conf");
        QVERIFY(QDir().mkpath(dotfiles) && QDir().mkpath(home.folder()));
        QStringList before;
        if (how != QLatin1String("dangling")) {
            TempSettings::Store plain;
            storeAll(plain, {"/old"});
            QVERIFY(QFile::rename(home.file(), real));
            before << "/old";
        }
        if (how == QLatin1String("relative")) {
            QVERIFY(::symlink("../dotfiles/Notariello.conf", QFile::encodeName(home.file())) == 0);
        } else if (how == QLatin1String("chain")) {
            const QString middle = home.parent() + QStringLiteral("/middle.conf");
            QVERIFY(QFile::link(real, middle));
            QVERIFY(QFile::link(middle, home.file()));
        } else {
            QVERIFY(QFile::link(real, home.file()));
        }

        TempSettings::Store store;
        QCOMPARE(RecentList(store).entries(), before);
        QVERIFY(RecentList(store).store("/new"));
        QVERIFY(QFileInfo(home.file()).isSymLink());
        QCOMPARE(QFileInfo(home.file()).canonicalFilePath(), QFileInfo(real).canonicalFilePath());
        QCOMPARE(RecentList(store).entries(), QStringList{"/new"} + before);
        QSettings check(real, QSettings::IniFormat);
        QCOMPARE(check.value(QStringLiteral("Recent Files/RecentFile1")).toString(),
                 QStringLiteral("/new"));
        QCOMPARE(DiskFiles::entries(dotfiles), QStringList{"Notariello.conf"});
    }

    void aFolderInTheFilesPlace() {
        TempSettings home;
        QVERIFY(QDir().mkpath(home.file()));
        TempSettings::Store store;
        QCOMPARE(RecentList(store).entries(), QStringList{});
        QVERIFY(!RecentList(store).store("/a"));
        QVERIFY(QFileInfo(home.file()).isDir());
        QCOMPARE(RecentList(store).entries(), QStringList{});
    }

    void anUnwritableFileIsLeftAlone() {
        TempSettings home;
        {
            TempSettings::Store store;
            storeAll(store, {"/a", "/b"});
        }
        const QByteArray before = DiskFiles::bytes(home.file());
        // The folder may be written, the file may only be read.
        QVERIFY(QFile::setPermissions(home.file(),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(chmod(QFile::encodeName(home.parent()).constData(), 0755) == 0);
        QVERIFY(chmod(QFile::encodeName(home.folder()).constData(), 0777) == 0);

        const QString problem = ChildCase::fork(ChildCase::User::Unprivileged, [] {
            TempSettings::Store store;
            if (RecentList(store).entries() != QStringList{"/b", "/a"}) return "not read";
            if (RecentList(store).store("/c")) return "stored";
            // What failed to be saved does not show up later either.
            if (RecentList(store).entries() != QStringList{"/b", "/a"}) return "changed";
            return "";
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(DiskFiles::bytes(home.file()), before);
    }

    void aFileThatCouldNotBeReadIsNotReplaced() {
        // Reading goes through a private copy in the temporary folder; with no room there,
        // nothing is read, and writing would lose the entries the file holds.
        TempSettings home;
        {
            TempSettings::Store store;
            storeAll(store, {"/a", "/b"});
        }
        const QByteArray before = DiskFiles::bytes(home.file());
        const QString noRoom = home.parent() + "/full";
        QVERIFY(QDir().mkpath(noRoom));
        QVERIFY(chmod(QFile::encodeName(noRoom).constData(), 0555) == 0);
        QVERIFY(chmod(QFile::encodeName(home.parent()).constData(), 0755) == 0);
        QVERIFY(chmod(QFile::encodeName(home.folder()).constData(), 0777) == 0);
        QVERIFY(chmod(QFile::encodeName(home.file()).constData(), 0666) == 0);
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", noRoom.toLocal8Bit());
        const QString problem = ChildCase::fork(ChildCase::User::Unprivileged, [] {
            TempSettings::Store store;
            if (!RecentList(store).entries().isEmpty()) return "read";
            if (RecentList(store).store("/c")) return "stored";
            return "";
        });
        if (oldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp);
        chmod(QFile::encodeName(noRoom).constData(), 0755);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(DiskFiles::bytes(home.file()), before);
    }

    void anUnwritableFolder() {
        TempSettings home;
        QVERIFY(QDir().mkpath(home.folder()));
        QVERIFY(chmod(QFile::encodeName(home.parent()).constData(), 0755) == 0);
        QVERIFY(chmod(QFile::encodeName(home.folder()).constData(), 0555) == 0);
        const QString problem = ChildCase::fork(ChildCase::User::Unprivileged, [] {
            TempSettings::Store store;
            if (RecentList(store).store("/a")) return "stored";
            if (!RecentList(store).entries().isEmpty()) return "read";
            return "";
        });
        chmod(QFile::encodeName(home.folder()).constData(), 0755);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(!QFileInfo::exists(home.file()));
    }

    void anImmutableFile() {
        // Root may write any file, but not one marked immutable.
        if (geteuid() != 0) QSKIP("needs root to mark a file immutable");
        TempSettings home;
        {
            TempSettings::Store store;
            storeAll(store, {"/a"});
        }
        const QByteArray before = DiskFiles::bytes(home.file());
        if (!DiskFiles::setImmutable(home.file(), true))
            QSKIP("this file system cannot mark files immutable");
        TempSettings::Store store;
        const bool stored = RecentList(store).store("/b");
        const QStringList entries = RecentList(store).entries();
        DiskFiles::setImmutable(home.file(), false);
        QVERIFY(!stored);
        QCOMPARE(entries, QStringList{"/a"});
        QCOMPARE(DiskFiles::bytes(home.file()), before);
    }

    void anotherProcessWaitsForAnExchangeToEnd() {
        TempSettings home;
        TempSettings::Store mine;
        storeAll(mine, {"/old"});
        int gate[2];
        QCOMPARE(pipe(gate), 0);
        const pid_t other = startChild(gate, [] {
            TempSettings::Store store;
            return RecentList(store).store("/other") ? 0 : 1;
        });
        close(gate[0]);

        // An exchange begins with reading, as storing does; then the other process starts.
        QCOMPARE(mine.value(Section, RecentList::keyFor(1)), QStringLiteral("/old"));
        close(gate[1]);
        // Time for the other process to store its path, were it not held back.
        QTest::qSleep(300);
        mine.setValue(Section, RecentList::keyFor(2), "/old");
        mine.setValue(Section, RecentList::keyFor(1), "/mine");
        QCOMPARE(mine.sync(), SettingsStore::Status::Ok);
        QCOMPARE(waitChild(other), 0);
        // The other process read the list only once this exchange had ended: nothing is lost.
        QCOMPARE(RecentList(mine).entries(), (QStringList{"/other", "/mine", "/old"}));
    }

    void twoProcessesRememberingAtOnce() {
        TempSettings home;
        {
            TempSettings::Store store;
            storeAll(store, {"/start/1", "/start/2", "/start/3", "/start/4"});
        }
        constexpr int PerProcess = 60;
        auto remember = [](int process) {
            return [process] {
                TempSettings::Store store;
                for (int i = 0; i < PerProcess; ++i) {
                    const QString path =
                        QStringLiteral("/p%1/%2").arg(process).arg(i, 2, 10, QLatin1Char('0'));
                    if (!RecentList(store).store(path)) return 1;
                }
                return 0;
            };
        };
        // Both start at the same moment.
        int gate[2];
        QCOMPARE(pipe(gate), 0);
        const pid_t a = startChild(gate, remember(1));
        const pid_t b = startChild(gate, remember(2));
        close(gate[0]);
        close(gate[1]);
        QCOMPARE(waitChild(a), 0);
        QCOMPARE(waitChild(b), 0);

        QSettings check(home.file(), QSettings::IniFormat);
        QCOMPARE(check.status(), QSettings::NoError);
        check.beginGroup(Section);
        QCOMPARE(check.childKeys(), keysUpTo(4));
        check.endGroup();

        TempSettings::Store store;
        const QStringList entries = RecentList(store).entries();
        QCOMPARE(entries.size(), 4);
        // Every exchange saw the one before it, whichever process made it: the list holds the
        // last four paths stored, so each process's entries are its own last ones, newest
        // first, with none lost in between.
        int expected[3] = {0, PerProcess - 1, PerProcess - 1};
        for (const QString& e : entries) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^/p([12])/(\\d\\d)$")).match(e);
            QVERIFY2(m.hasMatch(), qPrintable(entries.join(' ')));
            int& next = expected[m.captured(1).toInt()];
            QVERIFY2(m.captured(2).toInt() == next, qPrintable(entries.join(' ')));
            --next;
        }
    }

    // ---- The list in the File menus ----

    void aFirstRunShowsNoRecentFiles() {
        FrameFixture f;
        for (QAction* item : f.frame().mnuRecentFile) QVERIFY(!item->isVisible());
        QVERIFY(f.frame().mnuRecentFile[0]->isSeparator());
        checkDocumentMenus(f, {});
        QVERIFY(stored(f.frame()).isEmpty());
        QVERIFY(f.dialogs().calls().isEmpty());
    }

    void openedFilesAreListedNewestFirst() {
        FrameFixture f;
        const QString a = f.writeFile("a.txt", "A"), b = f.writeFile("b.txt", "B"),
                      c = f.writeFile("c.txt", "C");
        for (const QString& p : {a, b, c}) openThroughDialog(f, p);

        QCOMPARE(stored(f.frame()), (QStringList{c, b, a}));
        QSettings check(f.settings().file(), QSettings::IniFormat);
        QVERIFY(!check.contains(Section + "/RecentFile4"));

        // On the frame the block follows the frame's own separator: entry p is in item p - 1.
        QCOMPARE(shown(f.frame().mnuRecentFile, 0), (QStringList{c, b, a}));
        QVERIFY(!f.frame().mnuRecentFile[0]->isSeparator());
        QCOMPARE(frameMenuBlock(f.frame()), (QStringList{c, b, a}));
        QCOMPARE(f.documents().size(), 4);
        checkDocumentMenus(f, {c, b, a});
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void openingAListedFileAgainMovesNothing() {
        FrameFixture f;
        const QString a = f.writeFile("a.txt", "A"), b = f.writeFile("b.txt", "B"),
                      c = f.writeFile("c.txt", "C");
        for (const QString& p : {a, b, c}) openThroughDialog(f, p);
        for (const QString& p : {c, b}) {
            openThroughDialog(f, p);
            QCOMPARE(f.active()->Caption(), p.toUpper());
            QCOMPARE(stored(f.frame()), (QStringList{c, b, a}));
        }
        QVERIFY(f.frame().recentFiles().IsInRecentList(a));
        QVERIFY(!f.frame().recentFiles().IsInRecentList(a.toUpper()));
        checkDocumentMenus(f, {c, b, a});
    }

    void theFifthFilePushesOutTheOldest() {
        FrameFixture f;
        QStringList paths;
        for (const char* name : {"a", "b", "c", "d", "e"})
            paths << f.writeFile(QString::fromLatin1(name) + ".txt", name);
        for (const QString& p : paths) openThroughDialog(f, p);
        const QStringList newest{paths[4], paths[3], paths[2], paths[1]};
        QCOMPARE(stored(f.frame()), newest);
        QCOMPARE(shown(f.frame().mnuRecentFile, 0), newest);
        // The frame's last item never carries an entry; the oldest path is no longer listed.
        QVERIFY(!f.frame().mnuRecentFile[4]->isVisible());
        QVERIFY(RecentFilesMenu::recentEntry(f.frame().mnuRecentFile[4]).isEmpty());
        QVERIFY(!f.frame().recentFiles().IsInRecentList(paths[0]));
        QVERIFY(f.frame().recentFiles().IsInRecentList(paths[1]));
        checkDocumentMenus(f, newest);
    }

    void pathsDifferingInCaseAreDifferentEntries() {
        FrameFixture f;
        const QString lower = f.writeFile("nota.txt", "n");
        const QString upper = f.path("NOTA.TXT");
        openThroughDialog(f, lower);
        f.dialogs().answerSave(upper);
        f.active()->mnuFSaveAs_Click();
        QCOMPARE(stored(f.frame()), (QStringList{upper, lower}));
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void choosingARecentFileOpensIt_data() {
        QTest::addColumn<bool>("fromFrame");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("notUtf8");  // c's name holds the byte E8, which is not UTF-8
        QTest::newRow("frame, first") << true << 1 << false;
        QTest::newRow("frame, third") << true << 3 << false;
        QTest::newRow("document, first") << false << 1 << false;
        QTest::newRow("document, second") << false << 2 << false;
        QTest::newRow("frame, first, a name that is not UTF-8") << true << 1 << true;
        QTest::newRow("document, first, a name that is not UTF-8") << false << 1 << true;
    }
    void choosingARecentFileOpensIt() {
        QFETCH(bool, fromFrame);
        QFETCH(int, position);
        QFETCH(bool, notUtf8);
        FrameFixture f;
        // b is larger than File, Open accepts: the recent list opens it all the same.
        const QByteArray big(70000, 'b');
        const QString a = f.writeFile("a.txt", "A"), b = f.writeFile("b.txt", big);
        const QByteArray cBytes =
            QFile::encodeName(f.dir().path()) + (notUtf8 ? "/c\xe8.txt" : "/c.txt");
        QVERIFY(DiskFiles::put(cBytes, "C"));
        const auto removeC = qScopeGuard([cBytes] { ::unlink(cBytes.constData()); });
        const QString c = f.dir().path() + (notUtf8 ? QStringLiteral("/c%1.txt").arg(QChar(0xDCE8))
                                                    : QStringLiteral("/c.txt"));
        storeAll(f.frame().services().settings(), {a, b, c});
        f.frame().recentFiles().LoadRecentList();
        const QStringList entries{c, b, a};
        const QString chosen = entries[position - 1];
        // Captions show the byte as U+FFFD.
        QStringList shownEntries = entries;
        shownEntries.replaceInStrings(QString(QChar(0xDCE8)), QString(QChar(0xFFFD)));
        const QList<QByteArray> texts{"C", big, "A"};

        const int before = f.documents().size();
        if (fromFrame)
            f.frame().mnuRecentFile[position - 1]->trigger();
        else
            f.active()->mnuRecentFile[position]->trigger();
        FrameFixture::settle();

        QCOMPARE(f.documents().size(), before + 1);
        QCOMPARE(f.active()->Caption(), shownEntries[position - 1].toUpper());
        QCOMPARE(f.active()->Text1->Text(), texts[position - 1]);
        QCOMPARE(stored(f.frame()), entries);
        // The new window's menu has been refreshed with the list.
        QCOMPARE(shown(f.active()->mnuRecentFile, 1), entries);
        QCOMPARE(f.active()->mnuRecentFile[1]->text(), shownEntries[0]);
        QVERIFY2(f.dialogs().calls().isEmpty(), qPrintable(f.dialogs().problems()));
    }

    void aDeletedFilesEntryStays() {
        FrameFixture f;
        const QString a = f.writeFile("a.txt", "A");
        openThroughDialog(f, a);
        QVERIFY(QFile::remove(a));
        f.dialogs().answerMessageBox(Answer::Ok);
        const int before = f.documents().size();
        f.active()->mnuRecentFile[1]->trigger();
        FrameFixture::settle();
        QCOMPARE(f.dialogs().lastCall().prompt, QStringLiteral("Impossibile aprire il file: ") + a);
        QCOMPARE(f.documents().size(), before);
        QCOMPARE(stored(f.frame()), QStringList{a});
        QCOMPARE(shown(f.frame().mnuRecentFile, 0), QStringList{a});
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void aNewWindowShowsNoRecentFilesUntilTheNextRefresh() {
        FrameFixture f;
        const QString a = f.writeFile("a.txt", "A"), b = f.writeFile("b.txt", "B");
        openThroughDialog(f, a);
        f.frame().NewDocumentWindow();
        frmNotePad* fresh = f.active();
        for (QAction* item : fresh->mnuRecentFile) QVERIFY(!item->isVisible());
        openThroughDialog(f, b);
        QCOMPARE(shown(fresh->mnuRecentFile, 1), (QStringList{b, a}));
        QVERIFY(fresh->mnuRecentFile[0]->isVisible());
    }

    void afterTheLastWindowTheFramesListReopensFiles() {
        FrameFixture f;
        const QString a = f.writeFile("a.txt", "A"), b = f.writeFile("b.txt", "B");
        openThroughDialog(f, a);
        openThroughDialog(f, b);
        for (frmNotePad* w : f.documents()) w->close();
        FrameFixture::settle();
        QVERIFY(f.documents().isEmpty());
        QVERIFY(!f.frame().picToolbar()->editButtonsVisible());
        QCOMPARE(frameMenuBlock(f.frame()), (QStringList{b, a}));

        f.frame().mnuRecentFile[1]->trigger();
        FrameFixture::settle();
        QCOMPARE(f.documents().size(), 1);
        QCOMPARE(f.active()->Caption(), a.toUpper());
        QVERIFY(f.frame().picToolbar()->editButtonsVisible());
        QCOMPARE(f.frame().state().EditButtonsHidden, DocumentState::False);
        QCOMPARE(stored(f.frame()), (QStringList{b, a}));
    }

    void anotherCopyOfTheProgramSeesTheList() {
        FrameFixture f;
        const QString a = f.writeFile("a.txt", "A"), b = f.writeFile("b.txt", "B"),
                      c = f.writeFile("c.txt", "C");
        openThroughDialog(f, a);
        openThroughDialog(f, b);

        // A frame started later with the same settings: a later run, or a second copy.
        auto dialogs = std::make_unique<ScriptedDialogs>();
        ScriptedDialogs& laterDialogs = *dialogs;
        frmMDI later(std::move(dialogs), std::make_unique<QtSystemServices>());
        later.MDIForm_Load();
        FrameFixture::settle();
        QCOMPARE(shown(later.mnuRecentFile, 0), (QStringList{b, a}));
        frmNotePad* startup = later.activeDocumentWindow();
        QVERIFY(startup);
        QCOMPARE(shown(startup->mnuRecentFile, 1), (QStringList{b, a}));

        // Each copy's new entries reach the other, and a path the other copy added is not
        // added a second time.
        laterDialogs.answerOpen(c);
        later.mnuFOpen_Click();
        openThroughDialog(f, c);
        QCOMPARE(stored(f.frame()), (QStringList{c, b, a}));
        QCOMPARE(shown(f.frame().mnuRecentFile, 0), (QStringList{c, b, a}));
        QVERIFY(!laterDialogs.unexpectedDialog());
    }

    void aPathIsShownAsItIs() {
        FrameFixture f;
        const QString odd = f.writeFile("a&b.txt", "amp");
        openThroughDialog(f, odd);
        QAction* item = f.frame().mnuRecentFile[0];
        QCOMPARE(RecentFilesMenu::recentEntry(item), odd);
        QCOMPARE(item->text(), QString(odd).replace("&", "&&"));
        f.active()->mnuRecentFile[1]->trigger();
        FrameFixture::settle();
        QCOMPARE(f.active()->Text1->Text(), QByteArray("amp"));
    }
};

QTEST_MAIN(tst_RecentList)
#include "tst_recentlist.moc"
