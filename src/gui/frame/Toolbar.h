#pragma once

#include <QFrame>
#include <QList>

#include "core/platform/Twips.h"

class ImageControl;

// The strip of picture buttons along the top of the frame's client area: New and Open, then,
// set a little apart, Cut, Copy and Paste. A button shows its pressed picture while a mouse
// button holds it down (and, during a left-button drag, only while the pointer is over it) and
// runs its command on a left click. Each button's two pictures are kept in two hidden picture
// stores; the button is given one store's picture or the other's.
class Toolbar : public QFrame {
    Q_OBJECT
public:
    static constexpr int StripHeight = Twips::toPixels(405);

    explicit Toolbar(QWidget* parent = nullptr);

    // The five buttons in their order on the strip: New, Open, Cut, Copy, Paste.
    QList<ImageControl*> buttons() const;

    // Shows or hides Cut, Copy and Paste together, in that order.
    void setEditButtonsVisible(bool visible);
    bool editButtonsVisible() const;

    ImageControl* imgFileNewButton = nullptr;
    ImageControl* imgFileOpenButton = nullptr;
    ImageControl* imgCutButton = nullptr;
    ImageControl* imgCopyButton = nullptr;
    ImageControl* imgPasteButton = nullptr;

    // Picture stores: never visible, never changed.
    ImageControl* imgFileNewButtonUp = nullptr;
    ImageControl* imgFileNewButtonDn = nullptr;
    ImageControl* imgFileOpenButtonUp = nullptr;
    ImageControl* imgFileOpenButtonDn = nullptr;
    ImageControl* imgCutButtonUp = nullptr;
    ImageControl* imgCutButtonDn = nullptr;
    ImageControl* imgCopyButtonUp = nullptr;
    ImageControl* imgCopyButtonDn = nullptr;
    ImageControl* imgPasteButtonUp = nullptr;
    ImageControl* imgPasteButtonDn = nullptr;

signals:
    void newClicked();
    void openClicked();
    void cutClicked();
    void copyClicked();
    void pasteClicked();

public slots:
    void imgFileNewButton_MouseDown(int Button, int Shift, float X, float Y);
    void imgFileNewButton_MouseMove(int Button, int Shift, float X, float Y);
    void imgFileNewButton_MouseUp(int Button, int Shift, float X, float Y);
    void imgFileNewButton_Click();
    void imgFileOpenButton_MouseDown(int Button, int Shift, float X, float Y);
    void imgFileOpenButton_MouseMove(int Button, int Shift, float X, float Y);
    void imgFileOpenButton_MouseUp(int Button, int Shift, float X, float Y);
    void imgFileOpenButton_Click();
    void imgCutButton_MouseDown(int Button, int Shift, float X, float Y);
    void imgCutButton_MouseMove(int Button, int Shift, float X, float Y);
    void imgCutButton_MouseUp(int Button, int Shift, float X, float Y);
    void imgCutButton_Click();
    void imgCopyButton_MouseDown(int Button, int Shift, float X, float Y);
    void imgCopyButton_MouseMove(int Button, int Shift, float X, float Y);
    void imgCopyButton_MouseUp(int Button, int Shift, float X, float Y);
    void imgCopyButton_Click();
    void imgPasteButton_MouseDown(int Button, int Shift, float X, float Y);
    void imgPasteButton_MouseMove(int Button, int Shift, float X, float Y);
    void imgPasteButton_MouseUp(int Button, int Shift, float X, float Y);
    void imgPasteButton_Click();

private:
    // The buttons in their order on the strip, as indices into the table of buttons.
    enum Index { NewButton, OpenButton, CutButton, CopyButton, PasteButton, ButtonCount };
    // One row of the table: where the button sits, its pictures, its name for screen readers,
    // its members and its handlers, and the signal its click raises.
    struct Row {
        int leftTwips;
        const char* upPicture;
        const char* dnPicture;
        const char* name;
        ImageControl* Toolbar::*button;
        ImageControl* Toolbar::*up;
        ImageControl* Toolbar::*dn;
        void (Toolbar::*onMouseDown)(int, int, float, float);
        void (Toolbar::*onMouseMove)(int, int, float, float);
        void (Toolbar::*onMouseUp)(int, int, float, float);
        void (Toolbar::*onClick)();
        void (Toolbar::*signal)();
    };
    static const Row Table[ButtonCount];

    ImageControl* addStore(const QString& name);
    ImageControl* addButton(const Row& row);
    // What every button does: the pressed picture while a mouse button holds it down, the
    // pressed look following a left-button drag, the raised picture on release, and on a click
    // a repaint and the button's signal.
    void pressed(Index index);
    void dragged(Index index, int buttonState, float x, float y);
    void released(Index index);
    void clicked(Index index);
};
