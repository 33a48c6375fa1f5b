#pragma once

#include <QFrame>
#include <QList>

#include "platform/Twips.h"

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
    ImageControl* addStore(const QString& name);
    ImageControl* addButton(int leftTwips, ImageControl* up,
                            void (Toolbar::*down)(int, int, float, float),
                            void (Toolbar::*move)(int, int, float, float),
                            void (Toolbar::*release)(int, int, float, float),
                            void (Toolbar::*click)());
    // The pressed look follows a left-button drag: pressed over the button, raised off it.
    static void followPointer(ImageControl* button, const ImageControl* up,
                              const ImageControl* dn, int buttonState, float x, float y);
};
