#pragma once

#include <QtGlobal>

class QDropEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMenu;
class QMimeData;
class QString;
class DisplayMap;
class TextBox;
class TextBuffer;
class TextModel;
class TextBoundaries;

// What the user's keys, the input method's commits and drops make of a text box's text: each is
// an edit of the box's model at positions of the text, which the box then shows. The widget's
// own handling is left the keys that only move the caret; the widget's editing never acts on
// its document.
class TextBoxController {
public:
    // Made by box, which hands in its model and map before it is done.
    TextBoxController(TextBox& box, TextModel& model, const DisplayMap& map);

    void keyPress(QKeyEvent* e);
    // The widget's input method event: the commit made in the text, the pre-edit left to the
    // widget, which only shows it.
    void inputMethod(QInputMethodEvent* e);
    // The widget's paste (its key, its menu, the middle button): the text replaces the selection
    // as shown.
    void insertFromMimeData(const QMimeData* source);
    void drop(QDropEvent* e);
    void cutSelection();
    void deleteSelection();
    // Whether a command of the menus (of the window's menu bar, or of a widget from the box up
    // to its window) has e's key as its shortcut: the key is left to it.
    bool menuOwnsKey(const QKeyEvent* e) const;
    // Has the Undo, Redo, Cut and Delete of a menu the widget made act on the model.
    void takeStandardActions(QMenu* standard);

private:
    void handleKey(QKeyEvent* e);
    // The editing keys, made in the model. Returns whether e was one.
    bool editsText(QKeyEvent* e);
    // Ctrl+Backspace, Ctrl+Delete and the key that deletes to the end of the line, with nothing
    // selected: made over the text's line. Returns whether e was such a key.
    bool deletesWordOrLine(QKeyEvent* e);
    // Ctrl+Left and Ctrl+Right, with or without Shift, by the words of the text. Returns whether
    // e was such a key.
    bool movesByWord(QKeyEvent* e);
    // After End or Shift+End: on the last row of a piece of a long line the caret stops before a
    // space that ends the row, as on every other wrapped row.
    void stopBeforeRowEndSpace(const QKeyEvent* e);
    // Before a key that moves or removes by characters: a caret at a soft break goes to its
    // other side.
    void stepOverSoftBreak(const QKeyEvent* e);
    // A drop at position at of text dragged within the box, moving it.
    void moveDropped(qsizetype at, const QString& moved);
    TextBoundaries boundaries() const;

    TextBox& box_;
    TextModel& model_;
    const TextBuffer& buf_;
    const DisplayMap& map_;
};
