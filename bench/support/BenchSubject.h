#pragma once

#include <QPlainTextEdit>
#include <QTextDocument>

class QMainWindow;
class QString;

// The program a benchmark measures, seen through what the figures need: the frame with its
// start-up window, and the user's commands. The floor (a minimal program of the same kind) and
// Tavulella each implement it, so that both are measured by the same code.
class BenchSubject {
public:
    virtual ~BenchSubject() = default;

    // Creates and shows the frame with its start-up window, as the program starts.
    virtual void start() = 0;
    virtual QMainWindow* frame() = 0;
    // The text widget of the active document window.
    virtual QPlainTextEdit* editor() = 0;
    // The characters and the lines the editor shows for its text, the end of the text counted as
    // one character. By default those of the widget's document; an editor whose document holds
    // separators that stand for no line break of the text leaves them out.
    virtual int shownLength() { return editor()->document()->characterCount(); }
    virtual int lineCount() { return editor()->document()->blockCount(); }

    // Reads the file at path into a document window and shows it.
    virtual void open(const QString& path) = 0;
    // Searches down from the caret for text, selecting the occurrence; false when there is none
    // (any message the program then shows has been answered).
    virtual bool findNext(const QString& text, bool matchCase) = 0;
    // Writes the active document to path.
    virtual void save(const QString& path) = 0;
    // File, New.
    virtual void newWindow() = 0;
    // File, New as the user chooses it: the File menu opened, then its item. By default the
    // command alone (a program without that menu).
    virtual void newWindowFromMenu() { newWindow(); }
    // Reads the file at path into a document window of its own, beside those open.
    virtual void openInNewWindow(const QString& path) {
        newWindow();
        open(path);
    }
    // Opens the font menu of the active document window (and leaves it open).
    virtual void openFontMenu() = 0;
    virtual void closeFontMenu() = 0;
    // Arranging and closing document windows.
    virtual void tile() = 0;
    virtual void cascade() = 0;
    virtual void closeActiveWindow() = 0;
    // The number of open document windows.
    virtual int windowCount() = 0;
};
