#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

class FrameFixture;
class frmNotePad;

// One round of the soak test: random user actions on a real frame (offscreen), each followed by
// a check of the program against a plain account of what the user did. See tst_soak for the
// invariants. The same seed gives the same actions.
class SoakRound {
public:
    SoakRound(quint64 seed, FrameFixture& f);

    // Makes the round's folder of files; false when that failed.
    bool setUp();
    // One random action and the checks after it; returns what went wrong, empty when nothing.
    QString step();
    // True once the whole program has been closed: the round is over.
    bool frameClosed() const { return m_frameClosed; }
    // What the round did, one line an action.
    const QStringList& log() const { return m_log; }
    // What each window holds now: caption, the bytes (a digest of a long text), the selection, how
    // often its box raised its change notification since the round first looked and its undo and
    // redo depths. Two builds play a seed alike when these agree after every action.
    QString state();
    // The windows with unsaved changes, each as its file (or "untitled"), its kind of document
    // and its text: what a restart after a kill must offer back.
    QStringList unsaved() const;
    // The same for a window brought back after a restart.
    static QString describe(const QString& path, const QByteArray& text, bool lf, bool utf8);

private:
    // The account of one open document window.
    struct Document {
        QPointer<frmNotePad> window;
        QString caption;
        QString path;        // empty while untitled
        QByteArray seen;     // the text as it stood after the user's last input
        bool dirty = false;  // an input changed the text since it was last read or written
    };

    int pick(int n) { return int(m_rng.bounded(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    QString pathOf(const QString& name) const;
    // A name of the round's files for a window (null: a new one) to open or save to.
    QString randomPath(const Document* self = nullptr);
    bool heldByOther(const QString& path, const Document* self) const;
    Document* find(const frmNotePad* w);
    Document* active();
    // Marks changed every window whose text an input just altered: the program's rule is that
    // any edit marks the window, whatever text results, and that an input that does not alter
    // the text (a key the box did not get, Backspace at the start, Copy) marks nothing.
    void noteEdits();

    bool writable(const QString& path) const;
    // Scripts a save of doc's text to path as the program will try it: on success the file and
    // doc's account change, on failure the error box is answered. Returns whether it works.
    bool expectWrite(Document& doc, const QString& path);
    // Scripts the save question of a changed doc; returns whether the window may close.
    bool expectQuestion(Document& doc);
    // Scripts the reading of path into a new window, from the open dialog (with its size
    // limit) or from the recent-files list (without).
    void expectOpen(const QString& path, bool sizeChecked);

    void typeText();
    void editCommand();
    void search();
    void openFile();
    void openRecent();
    void saveOrSaveAs(bool saveAs);
    void closeWindow();
    void closeFrame();
    void newWindow();
    void select();
    void switchWindow();
    void windowState();

    QString check();
    QString checkSlots();
    QString checkWindow(const Document& doc);

    QRandomGenerator m_rng;
    FrameFixture& m_f;
    QString m_folder;
    QList<Document> m_docs;
    QHash<QString, QByteArray> m_disk;
    QStringList m_log;
    bool m_frameClosed = false;
    QString m_problem;  // what an action itself found wrong
};
