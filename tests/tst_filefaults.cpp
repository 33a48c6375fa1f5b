#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

#include "ChildCase.h"
#include "DiskFiles.h"
#include "FrameFixture.h"
#include "core/files/LoadBound.h"
#include "core/files/SnapshotStore.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/SnapshotScheduler.h"
#include "gui/textbox/TextBox.h"

#if defined(__SANITIZE_ADDRESS__)
// A file larger than memory is read on purpose: the allocator must answer "no memory" as the
// system's does, rather than stop the test.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

// Files that cannot be read or written, for every reason we know of, opened and saved through
// the document windows. Each case checks three things: nothing on disk is lost or changed, the
// user is told (prompt, icon, title), and the windows are as they were (caption, Changed, no
// window for a failed open, a changed window that could not be saved stays open).
//
// Tests run as root, and root passes every permission check. The cases about permissions
// therefore run in a process of their own (ChildCase), this test program started again, which
// becomes the unprivileged user 65534 (nobody) before it makes its QApplication and reports
// what did not hold. The immutable-file and file-system cases need root and run in place.
namespace {

using Answer = DialogService::Answer;
using Kind = ScriptedDialogs::Kind;

const QString CannotOpen = QStringLiteral("Impossibile aprire il file: ");
const QString TooBig = QStringLiteral("'O file è troppo gruosso po pute' arapì.");
const QString NoMemory =
    QStringLiteral("'O file è troppo gruosso pe' 'a memoria ca ce sta, nun se po' arapì: ");
const QByteArray OldContent("what was there before\r\n");

QByteArray native(const QString& path) { return QFile::encodeName(path); }

bool chmodPath(const QString& path, mode_t mode) { return ::chmod(native(path), mode) == 0; }

// Collects what did not hold, so that a case can run in a child and report back as text.
void expect(QStringList& problems, bool ok, const QString& what) {
    if (!ok) problems << what;
}

QString quoted(const QByteArray& bytes) {
    return QLatin1Char('"') + QString::fromLatin1(bytes.left(60).toPercentEncoding(" ")) +
           QLatin1Char('"');
}

// The message box the program showed last must be an OK box with this prompt and icon, titled
// with the application's title.
void expectTold(QStringList& problems, const ScriptedDialogs& dialogs, const QString& prompt,
                DialogService::Icon icon, bool promptIsPrefix = false) {
    if (dialogs.calls().isEmpty() || dialogs.lastCall().kind != Kind::MessageBox) {
        problems << QStringLiteral("the user was not told");
        return;
    }
    const auto& box = dialogs.lastCall();
    const bool promptOk = promptIsPrefix ? box.prompt.startsWith(prompt) : box.prompt == prompt;
    expect(problems, promptOk,
           QStringLiteral("prompt \"%1\", expected%2 \"%3\"")
               .arg(box.prompt, promptIsPrefix ? " it to begin with" : "", prompt));
    expect(problems, box.icon == icon, QStringLiteral("wrong icon"));
    expect(problems, box.title == QLatin1String("MDI"),
           QStringLiteral("title \"%1\", expected \"MDI\"").arg(box.title));
    expect(problems, box.buttons == DialogService::Buttons::Ok, QStringLiteral("not an OK box"));
    expect(problems, !box.busyPointer, QStringLiteral("the busy pointer was still showing"));
}

// How a save that must fail reaches its file.
enum class SaveBy { Save, SaveAs };

struct SaveCase {
    QString target;            // the file the save goes to
    SaveBy by = SaveBy::Save;  // Save: the window holds target; Save As: a new window saves as
    QString why;               // the description the user must see; empty: any description
};

// A window with edits that cannot be saved: whatever way the user tries, the file stays as it
// was, the user is told each time, and the window keeps its text, caption and Changed flag; the
// save question, answered Yes, keeps it open rather than lose the edits.
QString failedSave(const SaveCase& c) {
    QStringList problems;
    const QString folder = QFileInfo(c.target).absolutePath();
    const QByteArray before = DiskFiles::bytes(c.target);
    const QStringList entriesBefore = DiskFiles::entries(folder);
    {
        FrameFixture f;
        frmNotePad* w = nullptr;
        if (c.by == SaveBy::Save) {
            w = f.frame().files().LoadFileIntoWindow(c.target);
            if (!w) return QStringLiteral("the file to save could not be opened first");
        } else {
            f.frame().NewDocumentWindow();
            w = f.active();
        }
        w->Text1->setSelStart(0);
        w->Text1->setSelText("edited ");
        const QByteArray text = w->Text1->Text();
        const QString caption = w->Caption();

        if (c.by == SaveBy::SaveAs) f.dialogs().answerSave(c.target);
        f.dialogs().answerMessageBox(Answer::Ok);
        if (c.by == SaveBy::Save)
            w->mnuFSave_Click();
        else
            w->mnuFSaveAs_Click();
        if (c.why.isEmpty()) {
            expectTold(problems, f.dialogs(), QString(), DialogService::Icon::Exclamation, true);
            expect(problems, !f.dialogs().lastCall().prompt.isEmpty(), "an empty description");
        } else {
            expectTold(problems, f.dialogs(), c.why, DialogService::Icon::Exclamation);
        }
        expect(problems, w->Caption() == caption,
               QStringLiteral("caption became \"%1\"").arg(w->Caption()));
        expect(problems, w->documentState().Changed == DocumentState::True,
               QStringLiteral("the window counts as saved"));
        expect(problems, w->Text1->Text() == text, QStringLiteral("the window's text changed"));

        // Closing it: Yes to the question tries again, fails again, and the window stays.
        f.dialogs().answerMessageBox(Answer::Yes);
        if (w->document().isUntitled()) f.dialogs().answerSave(c.target);
        f.dialogs().answerMessageBox(Answer::Ok);
        w->close();
        FrameFixture::settle();
        expect(problems, f.documents().contains(w) && !w->isUnloaded(),
               QStringLiteral("the window closed with its edits unsaved"));
        expect(problems,
               f.documents().contains(w) && w->documentState().Changed == DocumentState::True,
               QStringLiteral("after the question the window counts as saved"));
        expect(problems, f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
               f.dialogs().problems());
    }
    expect(problems, DiskFiles::bytes(c.target) == before,
           QStringLiteral("the file now holds %1, it held %2")
               .arg(quoted(DiskFiles::bytes(c.target)), quoted(before)));
    expect(problems, DiskFiles::entries(folder) == entriesBefore,
           QStringLiteral("the folder now holds %1, it held %2")
               .arg(DiskFiles::entries(folder).join(' '), entriesBefore.join(' ')));
    return problems.join(QStringLiteral("; "));
}

// A file that cannot be opened: the user is told, no window opens and no slot is taken.
QString failedOpen(const QString& path, bool viaDialog, const QString& prompt, bool promptIsPrefix,
                   DialogService::Icon icon = DialogService::Icon::None, qint64 memory = -2) {
    QStringList problems;
    FrameFixture f;
    if (memory != -2) f.frame().files().setAvailableMemory([memory] { return memory; });
    frmNotePad* first = f.active();
    const int slotCount = f.frame().state().slotTables.upperBound();
    f.dialogs().answerMessageBox(Answer::Ok);
    if (viaDialog) {
        f.dialogs().answerOpen(path);
        first->mnuFOpen_Click();
    } else {
        expect(problems, !f.frame().files().LoadFileIntoWindow(path),
               QStringLiteral("a window came back"));
    }
    FrameFixture::settle();
    expectTold(problems, f.dialogs(), prompt, icon, promptIsPrefix);
    expect(problems, f.documents().size() == 1,
           QStringLiteral("%1 windows are open").arg(f.documents().size()));
    expect(problems, f.frame().state().slotTables.upperBound() == slotCount,
           QStringLiteral("a slot was taken"));
    expect(problems,
           f.active() == first && first->Caption() == frmNotePad::UntitledCaption &&
               first->documentState().Changed == DocumentState::False,
           QStringLiteral("the start-up window changed"));
    expect(problems, f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
           f.dialogs().problems());
    return problems.join(QStringLiteral("; "));
}

// A savable file in a folder without write permission: it is rewritten in place.
QString savedInPlace(const QString& file) {
    QStringList problems;
    FrameFixture f;
    frmNotePad* w = f.frame().files().LoadFileIntoWindow(file);
    if (!w) return QStringLiteral("the file did not open");
    const QByteArray old = w->Text1->Text();
    w->Text1->setSelText("new ");
    w->mnuFSave_Click();
    expect(problems, f.dialogs().calls().isEmpty(), QStringLiteral("a dialog came"));
    expect(problems, w->documentState().Changed == DocumentState::False,
           QStringLiteral("still marked changed"));
    expect(problems, DiskFiles::bytes(file) == "new " + old + "\r\n",
           QStringLiteral("the file holds %1").arg(quoted(DiskFiles::bytes(file))));
    return problems.join(QStringLiteral("; "));
}

// A file that passes the memory bound, but whose window still cannot be built: the process may
// take only a little more than the text as read. The window goes, its slot is free again, the
// user is told, and the window already open keeps its unsaved text.
QString noMemoryWhileBuilding(const QString& path) {
    QStringList problems;
    FrameFixture f;
    f.frame().files().setAvailableMemory([] { return std::numeric_limits<qint64>::max(); });
    frmNotePad* first = f.active();
    first->Text1->setSelText("unsaved");
    f.dialogs().answerMessageBox(Answer::Ok);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return QStringLiteral("no /proc/self/statm");
    const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
    const rlim_t limit =
        rlim_t(pages) * ::sysconf(_SC_PAGESIZE) + rlim_t(QFileInfo(path).size()) * 3 / 2;
    const rlimit addressSpace{limit, limit};
    if (::setrlimit(RLIMIT_AS, &addressSpace) != 0) return QStringLiteral("no address-space limit");
    expect(problems, !f.frame().files().LoadFileIntoWindow(path),
           QStringLiteral("a window came back"));
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &unlimited);
    FrameFixture::settle();
    expectTold(problems, f.dialogs(), NoMemory + path, DialogService::Icon::None);
    expect(problems, f.documents() == QList<frmNotePad*>{first},
           QStringLiteral("%1 windows are open").arg(f.documents().size()));
    const auto& tables = f.frame().state().slotTables;
    for (int slot = 2; slot <= tables.upperBound(); ++slot)
        expect(problems, tables.state(slot).Free != DocumentState::False,
               QStringLiteral("slot %1 is taken").arg(slot));
    expect(
        problems,
        first->Text1->Text() == "unsaved" && first->documentState().Changed == DocumentState::True,
        QStringLiteral("the open window lost its text"));
    expect(problems, f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
           f.dialogs().problems());
    first->documentState().Changed = DocumentState::False;
    return problems.join(QStringLiteral("; "));
}

// The user may write the window's file but no longer read it, so the check before a save has
// only its size and time to go by: an untouched file is saved without a question, one that
// another program wrote to is asked about, and No leaves it as the other program left it.
QString uncheckableSave(const QString& file) {
    QStringList problems;
    FrameFixture f;
    if (!DiskFiles::put(file, OldContent)) return QStringLiteral("cannot make the file");
    frmNotePad* w = f.frame().files().LoadFileIntoWindow(file);
    if (!w) return QStringLiteral("the file did not open");
    if (!chmodPath(file, 0200)) return QStringLiteral("cannot take the read permission");
    w->Text1->setSelText("1");
    w->mnuFSave_Click();
    expect(problems, f.dialogs().calls().isEmpty(), QStringLiteral("an untouched file asked"));
    {
        QFile outside(file);
        if (!outside.open(QIODevice::Append) || outside.write("more") != 4)
            return QStringLiteral("cannot append");
    }
    w->Text1->setSelText("2");
    f.dialogs().answerMessageBox(Answer::No);
    w->mnuFSave_Click();
    expect(problems, f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
           f.dialogs().problems());
    chmodPath(file, 0600);
    expect(problems, DiskFiles::bytes(file) == "1" + OldContent + "\r\nmore",
           QStringLiteral("the file holds %1").arg(quoted(DiskFiles::bytes(file))));
    expect(problems, w->documentState().Changed == DocumentState::True,
           QStringLiteral("the window counts as saved"));
    w->documentState().Changed = DocumentState::False;
    return problems.join(QStringLiteral("; "));
}

// A case run in a process of its own (see ChildCase), as the unprivileged user or, for the
// address-space limit, as the same one.
QString runCase(const QStringList& args) {
    if (args.value(0) == QLatin1String("nomemory") && args.size() == 2)
        return noMemoryWhileBuilding(args[1]);
    if (args.value(0) == QLatin1String("open") && args.size() == 3)
        return failedOpen(args[1], true, args[2], false);
    if (args.value(0) == QLatin1String("save") && args.size() == 4)
        return failedSave(SaveCase{
            args[1], args[2] == QLatin1String("saveas") ? SaveBy::SaveAs : SaveBy::Save, args[3]});
    if (args.value(0) == QLatin1String("inplace") && args.size() == 2) return savedInPlace(args[1]);
    if (args.value(0) == QLatin1String("uncheckable") && args.size() == 2)
        return uncheckableSave(args[1]);
    return QStringLiteral("no such case: ") + args.join(' ');
}

QString runUnprivileged(const QStringList& args) {
    return ChildCase::run(args, ChildCase::User::Unprivileged);
}

}  // namespace

class tst_FileFaults : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        // The unprivileged child must reach the folder.
        QVERIFY(chmodPath(m_dir.path(), 0755));
    }

    void cleanup() {
        // Leave nothing the next case or the folder's removal would trip over.
        QDirIterator it(m_dir.path(),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            if (!it.fileInfo().isSymLink()) {
                DiskFiles::setImmutable(p, false);
                if (it.fileInfo().isDir()) chmodPath(p, 0755);
            }
        }
        for (const QString& e : DiskFiles::entries(m_dir.path())) {
            const QString p = path(e);
            if (QFileInfo(p).isDir() && !QFileInfo(p).isSymLink())
                QDir(p).removeRecursively();
            else
                QFile::remove(p);
        }
    }

    // Reading fails: the user is told "Impossibile aprire il file: " and the path (with the
    // reason on a line of its own where the file exists but cannot be read whole), and no window
    // opens. One case for each way the user meets it; every reason a path can give is a case of
    // tst_textfile.
    void openFailures_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("viaDialog");
        QTest::addColumn<QString>("reason");  // empty: the prompt is the path alone
        QTest::newRow("missing file") << "missing" << true << QString();
        QTest::newRow("folder chosen as the file") << "folder" << true << qt_error_string(EISDIR);
        QTest::newRow("FIFO") << "fifo" << true << QStringLiteral("Chisto nun è nu file normale.");
        QTest::newRow("endless device, from the recent list")
            << "device" << false << QStringLiteral("Chisto nun è nu file normale.");
        QTest::newRow("longer than its size (procfs)")
            << "grows" << true << QStringLiteral("'O file s'è cagnato mentre 'o stevo leggenno.");
        QTest::newRow("larger than memory, from the recent list") << "huge" << false << QString();
    }

    void openFailures() {
        QFETCH(QString, what);
        QFETCH(bool, viaDialog);
        QFETCH(QString, reason);
        QString file = path(what);
        if (what == QLatin1String("folder")) {
            QVERIFY(QDir(m_dir.path()).mkdir(what));
        } else if (what == QLatin1String("fifo")) {
            // Opening a FIFO for reading waits for a writer: the program must not try.
            QVERIFY(::mkfifo(native(file), 0644) == 0);
        } else if (what == QLatin1String("device")) {
            file = QStringLiteral("/dev/zero");
            if (!QFileInfo::exists(file)) QSKIP("no /dev/zero here");
        } else if (what == QLatin1String("grows")) {
            // A kernel file whose size is not its content: nothing for a few hundred bytes. To
            // the program it looks like a file that changed between the size check and the read.
            file = QStringLiteral("/proc/self/status");
            QFile plain(file);
            if (!plain.open(QIODevice::ReadOnly)) QSKIP("the kernel does not offer the file here");
            if (plain.readAll().size() == QFileInfo(file).size())
                QSKIP("here the file's size is its content");
        } else if (what == QLatin1String("huge")) {
            // Refused by the memory bound before any of it is read.
            QFile sparse(file);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            if (!sparse.resize(qint64(1) << 40)) QSKIP("the file system cannot hold the file");
        }
        const QString prompt = what == QLatin1String("huge")
                                   ? NoMemory + file
                                   : CannotOpen + file + (reason.isEmpty() ? "" : "\n" + reason);
        const QString problem = failedOpen(file, viaDialog, prompt, false);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (what == QLatin1String("fifo")) {
            struct stat st;
            QVERIFY(::lstat(native(file), &st) == 0 && S_ISFIFO(st.st_mode));
        }
    }

    // A file whose window would need more memory than there is: refused by the dialog and by
    // the recent list alike, with the normal pointer over the message; one that just fits
    // opens. A window costs so much for each byte of its file and so much for each line.
    void aFileTooLargeForMemoryMakesNoWindow_data() {
        QTest::addColumn<bool>("viaDialog");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("one long line, from the dialog") << true << QByteArray(2000, 'x');
        QTest::newRow("many short lines, from the recent list")
            << false << QByteArray("a\r\n").repeated(100);
        QTest::newRow("lone line feeds count as lines") << false << QByteArray("\n").repeated(50);
    }

    void aFileTooLargeForMemoryMakesNoWindow() {
        QFETCH(bool, viaDialog);
        QFETCH(QByteArray, content);
        const QString file = path(QStringLiteral("big.txt"));
        QVERIFY(DiskFiles::put(file, content));
        const qint64 cost = content.size() * LoadBound::BytesPerFileByte +
                            content.count('\n') * LoadBound::BytesPerLine;
        const QString problem = failedOpen(file, viaDialog, NoMemory + file, false,
                                           DialogService::Icon::None, cost - 1);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        FrameFixture f;
        f.frame().files().setAvailableMemory([cost] { return cost; });
        QVERIFY(f.frame().files().LoadFileIntoWindow(file));
        QVERIFY(f.dialogs().calls().isEmpty());
    }

    void runningOutOfMemoryWhileBuildingTheWindow() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer reserves memory that an address-space limit would break");
#endif
        const QString file = path(QStringLiteral("long.txt"));
        QFile sparse(file);
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        if (!sparse.resize(qint64(64) << 20)) QSKIP("the file system cannot hold the file");
        sparse.close();
        const QString problem = ChildCase::run({"nomemory", file}, ChildCase::User::Same);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // The open dialog refuses a file over the limit before reading any of it, however large.
    void aFileLargerThanMemoryFromTheDialogIsRefusedBySize() {
        const QString file = path(QStringLiteral("huge.txt"));
        QFile sparse(file);
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        if (!sparse.resize(qint64(1) << 40)) QSKIP("the file system cannot hold the file");
        sparse.close();
        const QString problem = failedOpen(file, true, TooBig, false);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void aFileTheUserMayNotReadMakesNoWindow() {
        const QString file = path(QStringLiteral("secret.txt"));
        QVERIFY(DiskFiles::put(file, OldContent));
        QVERIFY(chmodPath(file, 0200));
        const QString problem = runUnprivileged({"open", file, CannotOpen + file});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(DiskFiles::bytes(file), OldContent);
    }

    // Writing is refused: by the file's or the folder's permissions (as an unprivileged user),
    // by the immutable flag (also for root). A file without any write permission is refused to
    // root too: tst_textfile holds that.
    void saveRefused_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("unprivileged");
        QTest::addColumn<QString>("why");
        QTest::newRow("read-only file in a writable folder")
            << "readonly" << true << qt_error_string(EACCES);
        QTest::newRow("new file in a folder without write permission")
            << "lockedfolder" << true << QString();
        QTest::newRow("immutable file") << "immutable" << false << qt_error_string(EPERM);
        QTest::newRow("new file in an immutable folder") << "immutablefolder" << false << QString();
    }

    void saveRefused() {
        QFETCH(QString, what);
        QFETCH(bool, unprivileged);
        QFETCH(QString, why);
        SaveCase c;
        c.why = why;
        if (what == QLatin1String("readonly")) {
            c.target = path(QStringLiteral("readonly.txt"));
            QVERIFY(DiskFiles::put(c.target, OldContent));
            QVERIFY(chmodPath(c.target, 0444));
            // The folder itself lets anyone replace the file: only its own permission says no.
            QVERIFY(chmodPath(m_dir.path(), 0777));
        } else if (what == QLatin1String("lockedfolder")) {
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("locked")));
            QVERIFY(chmodPath(path(QStringLiteral("locked")), 0555));
            c.target = path(QStringLiteral("locked/new.txt"));
            c.by = SaveBy::SaveAs;
        } else if (what == QLatin1String("immutable")) {
            c.target = path(QStringLiteral("immutable.txt"));
            QVERIFY(DiskFiles::put(c.target, OldContent));
            if (!DiskFiles::setImmutable(c.target, true)) QSKIP("no immutable files here");
        } else {
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("frozen")));
            QVERIFY(DiskFiles::put(path(QStringLiteral("frozen/other.txt")), OldContent));
            if (!DiskFiles::setImmutable(path(QStringLiteral("frozen")), true))
                QSKIP("no immutable folders here");
            c.target = path(QStringLiteral("frozen/new.txt"));
            c.by = SaveBy::SaveAs;
        }
        const QString problem =
            unprivileged ? runUnprivileged({"save", c.target,
                                            c.by == SaveBy::SaveAs ? "saveas" : "save", c.why})
                         : failedSave(c);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // A file that is writable where its folder is not is rewritten in place: the save works.
    void aWritableFileInAFolderWithoutWritePermissionIsSaved() {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("locked")));
        const QString file = path(QStringLiteral("locked/open.txt"));
        QVERIFY(DiskFiles::put(file, OldContent));
        QVERIFY(chmodPath(file, 0666));
        QVERIFY(chmodPath(path(QStringLiteral("locked")), 0555));
        const QString problem = runUnprivileged({"inplace", file});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(DiskFiles::entries(path(QStringLiteral("locked"))), QStringList{"open.txt"});
    }

    // The check before a save cannot read the file: its size and time decide.
    void theCheckBeforeASaveCannotReadTheFile() {
        QVERIFY(chmodPath(m_dir.path(), 0777));
        const QString problem = runUnprivileged({"uncheckable", path(QStringLiteral("wo.txt"))});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // Another program writes the file again while the user reads the question or the notice
    // that came before the save: the save checks again and asks about what is there now, so
    // that No keeps the other program's latest bytes and the window's text.
    // A file that changes during every question, though Yes is said each time, is not written,
    // and the user is told that another program is still at work on it.
    void theFileChangesAgainWhileTheUserIsAsked_data() {
        QTest::addColumn<bool>("removedFirst");
        QTest::addColumn<bool>("always");
        QTest::newRow("changed, then replaced during the question") << false << false;
        QTest::newRow("removed, then made again during the notice") << true << false;
        QTest::newRow("replaced during every question") << false << true;
    }

    void theFileChangesAgainWhileTheUserIsAsked() {
        QFETCH(bool, removedFirst);
        QFETCH(bool, always);
        FrameFixture f;
        const QString file = path(QStringLiteral("raced.txt"));
        QVERIFY(DiskFiles::put(file, OldContent));
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(file);
        QVERIFY(w);
        w->Text1->setSelText("mine ");
        const QByteArray text = w->Text1->Text();
        if (removedFirst)
            QVERIFY(QFile::remove(file));
        else
            QVERIFY(DiskFiles::put(file, "first outside"));
        const QString beside = path(QStringLiteral("raced.new"));
        int replaced = 0;
        const auto replace = [&] {
            QVERIFY(DiskFiles::put(beside, "outside " + QByteArray::number(++replaced)));
            QVERIFY(::rename(native(beside), native(file)) == 0);
        };
        // With always, each of three questions sees the file replaced while it is open.
        f.dialogs().duringNextMessageBox([&] {
            replace();
            if (always)
                f.dialogs().duringNextMessageBox([&] {
                    replace();
                    f.dialogs().duringNextMessageBox(replace);
                });
        });
        f.dialogs().answerMessageBox(removedFirst ? Answer::Ok : Answer::Yes);
        if (always) {
            f.dialogs().answerMessageBox(Answer::Yes);
            f.dialogs().answerMessageBox(Answer::Yes);
            f.dialogs().answerMessageBox(Answer::Ok);
        } else {
            f.dialogs().answerMessageBox(Answer::No);
        }
        w->mnuFSave_Click();
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
        if (always)
            QCOMPARE(f.dialogs().lastCall().prompt,
                     QStringLiteral("N'ato programma cagna 'o file [") + file +
                         QStringLiteral("] ancora mo.\n\rNun l'aggio astipato: quanno fernesce, "
                                        "astipate n'ata vota."));
        else
            QCOMPARE(f.dialogs().lastCall().buttons, DialogService::Buttons::YesNo);
        QCOMPARE(DiskFiles::bytes(file), "outside " + QByteArray::number(replaced));
        QCOMPARE(w->Text1->Text(), text);
        QCOMPARE(w->documentState().Changed, DocumentState::True);
        w->documentState().Changed = DocumentState::False;
    }

    // Save As to a name that is no file the program can write.
    void saveAsToWhatIsNoFile_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("why");
        QTest::newRow("folder chosen as the file") << "folder" << qt_error_string(EISDIR);
        QTest::newRow("FIFO") << "fifo" << QStringLiteral("Chisto nun è nu file normale.");
    }

    void saveAsToWhatIsNoFile() {
        QFETCH(QString, what);
        QFETCH(QString, why);
        SaveCase c{path(what), SaveBy::SaveAs, why};
        if (what == QLatin1String("folder")) {
            QVERIFY(QDir(m_dir.path()).mkdir(what));
            QVERIFY(DiskFiles::put(path(QStringLiteral("folder/inside.txt")), OldContent));
        } else {
            // Opening a FIFO for writing waits for a reader: the program must not try.
            QVERIFY(::mkfifo(native(c.target), 0644) == 0);
        }
        const QString problem = failedSave(c);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (what == QLatin1String("fifo")) {
            struct stat st;
            QVERIFY(::lstat(native(c.target), &st) == 0 && S_ISFIFO(st.st_mode));
        }
        if (what == QLatin1String("folder"))
            QCOMPARE(DiskFiles::bytes(path(QStringLiteral("folder/inside.txt"))), OldContent);
    }

    // No room for the text: a file system that is full, and a limit on the size of files. The
    // old file survives whole. A device that is always full is a case of tst_textfile.
    void saveToAFullDisk_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("why");
        QTest::newRow("full file system") << "tmpfs" << qt_error_string(ENOSPC);
        QTest::newRow("file size limit") << "limit" << qt_error_string(EFBIG);
    }

    void saveToAFullDisk() {
        QFETCH(QString, what);
        QFETCH(QString, why);
        // Larger than what is left, whatever the case.
        const QByteArray big(64 * 1024, 'x');
        SaveCase c{QString(), SaveBy::Save, why};
        const QString folder = path(QStringLiteral("disk"));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("disk")));
        c.target = folder + QStringLiteral("/old.txt");
        rlimit oldLimit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &oldLimit) == 0);
        struct sigaction oldAction {};
        bool mounted = false;
        auto restore = qScopeGuard([&] {
            ::setrlimit(RLIMIT_FSIZE, &oldLimit);
            if (what == QLatin1String("limit")) ::sigaction(SIGXFSZ, &oldAction, nullptr);
            if (mounted) ::umount2(native(folder), MNT_DETACH);
        });
        if (what == QLatin1String("tmpfs")) {
            if (::mount("tmpfs", native(folder), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
                QSKIP("cannot mount a small file system here (needs root)");
            mounted = true;
            QVERIFY(DiskFiles::put(c.target, OldContent));
            // Fill what is left.
            QFile filler(folder + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
            }
            filler.close();
        } else {
            QVERIFY(DiskFiles::put(c.target, OldContent));
            // Past the limit the kernel sends SIGXFSZ, which would end the test; ignored, the
            // write fails with EFBIG instead.
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            QVERIFY(::sigaction(SIGXFSZ, &ignore, &oldAction) == 0);
            rlimit small = oldLimit;
            small.rlim_cur = 4096;
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        }
        QStringList problems;
        {
            FrameFixture f;
            frmNotePad* w = f.frame().files().LoadFileIntoWindow(c.target);
            QVERIFY(w);
            w->Text1->setSelText(big);
            f.dialogs().answerMessageBox(Answer::Ok);
            w->mnuFSave_Click();
            expectTold(problems, f.dialogs(), why, DialogService::Icon::Exclamation);
            expect(problems, w->documentState().Changed == DocumentState::True,
                   QStringLiteral("the window counts as saved"));
            expect(problems, w->Caption() == c.target.toUpper(), QStringLiteral("caption changed"));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
        QCOMPARE(DiskFiles::bytes(c.target), OldContent);
        QStringList expected{QStringLiteral("old.txt")};
        if (what == QLatin1String("tmpfs")) expected.prepend(QStringLiteral("filler"));
        QCOMPARE(DiskFiles::entries(folder), expected);
    }

    // A write in place (the file has a second name) of a shorter text that fails past a limit on
    // file sizes, after overwriting what lies below it: the old bytes are put back (the part
    // below the limit; the rest was never overwritten) and the failure is told as such; the file
    // is not then taken for another program's change: once the limit is gone, Save writes
    // without a question.
    void aFailedWriteInPlaceIsUndone() {
        const QString file = path(QStringLiteral("linked.txt"));
        const QByteArray old(8192, 'o');
        QVERIFY(DiskFiles::put(file, old));
        QVERIFY(::link(native(file), native(path(QStringLiteral("linked2.txt")))) == 0);
        rlimit oldLimit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &oldLimit) == 0);
        struct sigaction ignore {
        }, oldAction{};
        ignore.sa_handler = SIG_IGN;
        QVERIFY(::sigaction(SIGXFSZ, &ignore, &oldAction) == 0);
        auto restore = qScopeGuard([&] {
            ::setrlimit(RLIMIT_FSIZE, &oldLimit);
            ::sigaction(SIGXFSZ, &oldAction, nullptr);
        });
        FrameFixture f;
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(file);
        QVERIFY(w);
        w->Text1->setSelStart(0);
        w->Text1->setSelLength(3000);
        w->Text1->setSelText("n");
        const QByteArray text = w->Text1->Text();
        rlimit small = oldLimit;
        small.rlim_cur = 4096;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        f.dialogs().answerMessageBox(Answer::Ok);
        w->mnuFSave_Click();
        QStringList problems;
        expectTold(problems, f.dialogs(), qt_error_string(EFBIG), DialogService::Icon::Exclamation);
        expect(problems, DiskFiles::bytes(file) == old, QStringLiteral("the old bytes were lost"));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
        QCOMPARE(w->documentState().Changed, DocumentState::True);
        QCOMPARE(w->Text1->Text(), text);
        restore.dismiss();
        ::setrlimit(RLIMIT_FSIZE, &oldLimit);
        ::sigaction(SIGXFSZ, &oldAction, nullptr);
        f.frame().files().recheckDisk(w->document());
        w->mnuFSave_Click();
        QCOMPARE(f.dialogs().calls().size(), 1);
        // A file without a line break is an LF document: one LF follows the text.
        QCOMPARE(DiskFiles::bytes(path(QStringLiteral("linked2.txt"))), text + "\n");
    }

    // A window opened through a symbolic link shows the link's path; saving writes the file
    // the link points to and leaves the link a link.
    void saveThroughASymbolicLink() {
        const QString target = path(QStringLiteral("real.txt"));
        const QString link = path(QStringLiteral("link.txt"));
        QVERIFY(DiskFiles::put(target, OldContent));
        QVERIFY(QFile::link(target, link));
        FrameFixture f;
        f.dialogs().answerOpen(link);
        f.active()->mnuFOpen_Click();
        frmNotePad* w = f.active();
        QCOMPARE(f.documents().size(), 2);
        QCOMPARE(w->Caption(), link.toUpper());
        QCOMPARE(w->Text1->Text(), OldContent);
        w->Text1->setSelText(">");
        w->mnuFSave_Click();
        QCOMPARE(w->documentState().Changed, DocumentState::False);
        QCOMPARE(DiskFiles::bytes(target), ">" + OldContent + "\r\n");
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    // Names with letters outside ASCII, a tab, control characters and a line feed open and
    // save like any other; the file on disk carries exactly the name chosen.
    void pathsWithUnusualCharacters_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("accents and euro") << QStringLiteral("Città ñ € «x».txt");
        QTest::newRow("tab and control characters") << QStringLiteral("a\tb\x01\x1b\x7f.txt");
        QTest::newRow("line feed and carriage return") << QStringLiteral("riga\nnova\r.txt");
        QTest::newRow("outside the code page") << QStringLiteral("łódź \U0001F600.txt");
    }

    void pathsWithUnusualCharacters() {
        QFETCH(QString, name);
        const QString file = path(name);
        QVERIFY(DiskFiles::put(file, OldContent));
        QVERIFY(DiskFiles::entries(m_dir.path()).contains(name));
        FrameFixture f;
        f.dialogs().answerOpen(file);
        f.active()->mnuFOpen_Click();
        frmNotePad* w = f.active();
        QCOMPARE(f.documents().size(), 2);
        QCOMPARE(w->Caption(), file.toUpper());
        QCOMPARE(w->Text1->Text(), OldContent);
        QCOMPARE(w->documentState().Changed, DocumentState::False);
        w->Text1->setSelText("1");
        w->mnuFSave_Click();
        QCOMPARE(DiskFiles::bytes(file), "1" + OldContent + "\r\n");

        const QString copy = path(QStringLiteral("copia ") + name);
        f.dialogs().answerSave(copy);
        w->mnuFSaveAs_Click();
        QCOMPARE(w->Caption(), copy.toUpper());
        QCOMPARE(DiskFiles::bytes(copy), "1" + OldContent + "\r\n");
        QVERIFY(DiskFiles::entries(m_dir.path()).contains(QStringLiteral("copia ") + name));
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }
    // The state folder cannot take a copy of the unsaved text: a file stands where the folder
    // should be, the folder may not be changed, the file system is full. Editing goes on, the
    // user is told once, and nothing of the text is lost.
    void copiesThatCannotBeWritten_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("a file in the folder's place") << "file";
        QTest::newRow("an immutable folder") << "immutable";
        QTest::newRow("a full file system") << "tmpfs";
    }

    void copiesThatCannotBeWritten() {
        QFETCH(QString, what);
        const QString state = path(QStringLiteral("state"));
        const QString folder = state + QStringLiteral("/Tavulella");
        bool mounted = false;
        auto restore = qScopeGuard([&] {
            if (mounted) ::umount2(native(folder), MNT_DETACH);
        });
        if (what == QLatin1String("file")) {
            QVERIFY(DiskFiles::put(folder, "not a folder"));
        } else {
            QVERIFY(QDir().mkpath(folder));
            if (what == QLatin1String("immutable") && !DiskFiles::setImmutable(folder, true))
                QSKIP("no immutable flag here (needs root and a file system that has it)");
            if (what == QLatin1String("tmpfs")) {
                if (::mount("tmpfs", native(folder), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") !=
                    0)
                    QSKIP("cannot mount a small file system here (needs root)");
                mounted = true;
                QFile filler(folder + QStringLiteral("/filler"));
                QVERIFY(filler.open(QIODevice::WriteOnly));
                while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
                }
            }
        }
        const QString text(64 * 1024, QLatin1Char('x'));
        QStringList problems;
        {
            FrameFixture f(nullptr, state);
            frmNotePad* w = f.active();
            w->Text1->setSelChars(text);
            f.dialogs().answerMessageBox(Answer::Ok);
            f.frame().snapshots().flush();
            expectTold(problems, f.dialogs(),
                       QStringLiteral("Nun se po' scrivere 'a copia 'e chello ca nun è astipato: "),
                       DialogService::Icon::Exclamation, true);
            w->Text1->setSelChars(QStringLiteral("y"));
            f.frame().snapshots().flush();
            expect(problems, f.dialogs().calls().size() == 1, QStringLiteral("told again"));
            expect(problems, w->Text1->chars() == text + QLatin1Char('y'),
                   QStringLiteral("the text changed"));
            expect(problems, w->documentState().Changed == DocumentState::True,
                   QStringLiteral("the window counts as saved"));
            w->documentState().Changed = DocumentState::False;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
        if (what != QLatin1String("file"))
            QCOMPARE(DiskFiles::entries(folder), what == QLatin1String("tmpfs")
                                                     ? QStringList{QStringLiteral("filler")}
                                                     : QStringList());
    }

    // The journal beside a copy, as a frame killed at any moment leaves it: its base (the whole
    // text, or the copy it continues) and its edits are read up to the first record that is cut
    // off, damaged or does not fit the text; a journal that continues another copy, or none, is
    // left out.
    void journalsReadUpToTheirLastSoundRecord_data() {
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<QString>("expected");  // the caption, a bar, the characters; empty: none
        using S = SnapshotStore;
        const S::Snapshot whole{
            QStringLiteral("Senza nomme:2"), QString(),
            DocumentFormat(DocumentFormat::LineBreak::Lf, DocumentFormat::Encoding::Utf8),
            QStringLiteral("uno")};
        const QByteArray start = S::encodeJournalStart(&whole);
        const QByteArray add = S::encodeEdit(3, 0, QStringLiteral(" d\u00fce \U0001F600"));
        const QByteArray swap = S::encodeEdit(0, 3, QStringLiteral("tre"));
        const QString two = QStringLiteral("Senza nomme:2|tre d\u00fce \U0001F600");
        const QString one = QStringLiteral("Senza nomme:2|uno d\u00fce \U0001F600");
        QTest::newRow("whole text, two edits") << QByteArray() << start + add + swap << two;
        for (int cut : {3, int(swap.size()) - 1})
            QTest::addRow("last record cut off after %d bytes", cut)
                << QByteArray() << start + add + swap.left(cut) << one;
        QByteArray flipped = swap;
        flipped[22] = char(flipped[22] ^ 0x20);
        QTest::newRow("last record damaged") << QByteArray() << start + add + flipped << one;
        QByteArray middle = add;
        middle[23] = char(middle[23] ^ 1);
        QTest::newRow("a damaged record hides those after it")
            << QByteArray() << start + middle + swap << QStringLiteral("Senza nomme:2|uno");
        QTest::newRow("an edit beyond the text")
            << QByteArray() << start + S::encodeEdit(2, 2, QStringLiteral("x")) + swap
            << QStringLiteral("Senza nomme:2|uno");
        QTest::newRow("a second start is no edit")
            << QByteArray() << start + add + start.mid(20) << one;

        const QByteArray copy =
            S::encode({QStringLiteral("/tmp/F.TXT"), QStringLiteral("/tmp/f.txt"), DocumentFormat(),
                       QStringLiteral("copia")});
        const QByteArray fromCopy = S::encodeJournalStart(nullptr, copy.right(4));
        const QByteArray bang = S::encodeEdit(5, 0, QStringLiteral("!"));
        QTest::newRow("continues the copy")
            << copy << fromCopy + bang << QStringLiteral("/tmp/F.TXT|copia!");
        QTest::newRow("its start cut off: the copy alone")
            << copy << fromCopy.chopped(1) << QStringLiteral("/tmp/F.TXT|copia");
        QTest::newRow("the whole text, cut off: the copy alone")
            << copy << start.chopped(1) + add << QStringLiteral("/tmp/F.TXT|copia");
        QTest::newRow("the whole text wins over an older copy") << copy << start + add << one;
        QTest::newRow("continues another copy")
            << copy << S::encodeJournalStart(nullptr, "\x01\x02\x03\x04") + bang
            << QStringLiteral("/tmp/F.TXT|copia");
        const QByteArray asRead = S::encodeJournalStart(&whole, {}, true);
        QTest::newRow("the text as read, nothing unsaved")
            << QByteArray() << asRead << QStringLiteral("Senza nomme:2|uno (as read)");
        QTest::newRow("the text as read, an edit") << QByteArray() << asRead + add << one;
        QTest::newRow("continues a copy that is gone")
            << QByteArray() << fromCopy + bang << QString();
        QTest::newRow("another version")
            << copy << QByteArray(start).replace("journal 1", "journal 2")
            << QStringLiteral("/tmp/F.TXT|copia");
    }

    void journalsReadUpToTheirLastSoundRecord() {
        QFETCH(QByteArray, copy);
        QFETCH(QByteArray, journal);
        QFETCH(QString, expected);
        const auto read = SnapshotStore::replay(copy, journal);
        QCOMPARE(read ? read->caption + QLatin1Char('|') + read->chars +
                            (read->asRead ? QStringLiteral(" (as read)") : QString())
                      : QString(),
                 expected);
        if (read && expected.startsWith(QLatin1String("Senza")))
            QVERIFY(read->format.isUtf8() && read->format.isLf());
    }

    // Copies left by a frame that ended, some cut off or damaged: those are reported and set
    // aside, once; the sound one is offered back.
    void copiesThatCannotBeReadAreSetAside() {
        const QString state = path(QStringLiteral("state"));
        const QString folder = state + QStringLiteral("/Tavulella/");
        // Held as they are: a NUL and a lone surrogate too.
        const QString ciao = QStringLiteral("ciao") + QChar(0) + QChar(0xd800);
        const QByteArray sound = SnapshotStore::encode(
            {QStringLiteral("Senza nomme"), QString(), DocumentFormat(), ciao});
        // A copy from before the CRC-32, which ended with a BLAKE2b digest, still comes back.
        QByteArray older = QByteArrayLiteral("Tavulella snapshot 1\n");
        {
            QDataStream out(&older, QIODevice::Append);
            out.setVersion(QDataStream::Qt_6_4);
            out.setByteOrder(QDataStream::LittleEndian);
            out << QStringLiteral("Senza nomme") << QString() << quint8(0) << quint8(0)
                << QStringLiteral("viecchio");
        }
        older += QCryptographicHash::hash(older, QCryptographicHash::Blake2b_256);
        QVERIFY(DiskFiles::put(folder + QStringLiteral("7.x-0.snap"), older));
        QByteArray flipped = sound;
        flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 1);
        const QList<QByteArray> bad{sound.chopped(1), flipped, "garbage", ""};
        QVERIFY(DiskFiles::put(folder + QStringLiteral("7.x-1.snap"), sound));
        QStringList aside;
        for (int i = 0; i < bad.size(); ++i) {
            const QString name = folder + QStringLiteral("7.x-%1.snap").arg(i + 2);
            QVERIFY(DiskFiles::put(name, bad[i]));
            aside << name + QStringLiteral(".bad");
        }
        FrameFixture f(nullptr, state);
        f.dialogs().answerMessageBox(Answer::Ok);
        f.dialogs().answerMessageBox(Answer::Yes);
        f.frame().snapshots().offerRecovery();
        f.frame().snapshots().offerRecovery();
        QCOMPARE(f.dialogs().calls().size(), 2);
        QCOMPARE(f.dialogs().calls().first().prompt,
                 QStringLiteral("Certi ccopie 'e chello ca nun era astipato nun se ponno leggere; "
                                "l'aggio mise 'a parte:\n") +
                     aside.join('\n'));
        QCOMPARE(f.dialogs().calls().first().icon, DialogService::Icon::Exclamation);
        QCOMPARE(f.documents().size(), 3);
        QCOMPARE(f.documents()[1]->Text1->chars(), QStringLiteral("viecchio"));
        QCOMPARE(f.documents()[2]->Text1->chars(), ciao);
        for (int i = 0; i < bad.size(); ++i) QCOMPARE(DiskFiles::bytes(aside[i]), bad[i]);
        QVERIFY(QDir(folder).entryList({QStringLiteral("7.x*")}).size() == bad.size());
    }
};

int main(int argc, char** argv) { return ChildCase::main<tst_FileFaults>(argc, argv, runCase); }
#include "tst_filefaults.moc"
