#include "gui/frame/Toolbar.h"

#include <QAccessible>

#include "core/platform/Twips.h"
#include "gui/frame/ImageControl.h"
#include "gui/frame/ToolbarAccessible.h"
#include "gui/platform/ScreenPicture.h"

Toolbar::Toolbar(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFixedHeight(StripHeight);
    // A screen reader sees a tool bar of push buttons, not a frame of nameless pictures.
    QAccessible::installFactory(&ToolbarAccessible::factory);
    setAccessibleName(QStringLiteral("'E strumente"));

    for (const Row& row : Table) {
        this->*row.up = addStore(QString::fromLatin1(row.upPicture));
        this->*row.dn = addStore(QString::fromLatin1(row.dnPicture));
    }
    for (const Row& row : Table) this->*row.button = addButton(row);

    // Each button is named like its menu command, for screen readers. Named only now that all
    // five are in buttons(): naming a control makes the accessibility layer look it up at once,
    // and it takes an image control for a toolbar button only once buttons() lists it.
    for (const Row& row : Table)
        (this->*row.button)->setAccessibleName(QString::fromUtf8(row.name));
}

// 360 twips from one button to the next; Cut starts 480 twips after Open, which sets the file
// buttons apart from the edit buttons.
const Toolbar::Row Toolbar::Table[ButtonCount] = {
    {0, ":/imgFileNewButtonUp.bmp", ":/imgFileNewButtonDn.bmp", "Nova", &Toolbar::imgFileNewButton,
     &Toolbar::imgFileNewButtonUp, &Toolbar::imgFileNewButtonDn,
     &Toolbar::imgFileNewButton_MouseDown, &Toolbar::imgFileNewButton_MouseMove,
     &Toolbar::imgFileNewButton_MouseUp, &Toolbar::imgFileNewButton_Click, &Toolbar::newClicked},
    {360, ":/imgFileOpenButtonUp.bmp", ":/imgFileOpenButtonDn.bmp", "Arape",
     &Toolbar::imgFileOpenButton, &Toolbar::imgFileOpenButtonUp, &Toolbar::imgFileOpenButtonDn,
     &Toolbar::imgFileOpenButton_MouseDown, &Toolbar::imgFileOpenButton_MouseMove,
     &Toolbar::imgFileOpenButton_MouseUp, &Toolbar::imgFileOpenButton_Click, &Toolbar::openClicked},
    {840, ":/imgCutButtonUp.bmp", ":/imgCutButtonDn.bmp", "Taglia", &Toolbar::imgCutButton,
     &Toolbar::imgCutButtonUp, &Toolbar::imgCutButtonDn, &Toolbar::imgCutButton_MouseDown,
     &Toolbar::imgCutButton_MouseMove, &Toolbar::imgCutButton_MouseUp, &Toolbar::imgCutButton_Click,
     &Toolbar::cutClicked},
    {1200, ":/imgCopyButtonUp.bmp", ":/imgCopyButtonDn.bmp", "Cuopie", &Toolbar::imgCopyButton,
     &Toolbar::imgCopyButtonUp, &Toolbar::imgCopyButtonDn, &Toolbar::imgCopyButton_MouseDown,
     &Toolbar::imgCopyButton_MouseMove, &Toolbar::imgCopyButton_MouseUp,
     &Toolbar::imgCopyButton_Click, &Toolbar::copyClicked},
    {1560, ":/imgPasteButtonUp.bmp", ":/imgPasteButtonDn.bmp", "'Ncolla", &Toolbar::imgPasteButton,
     &Toolbar::imgPasteButtonUp, &Toolbar::imgPasteButtonDn, &Toolbar::imgPasteButton_MouseDown,
     &Toolbar::imgPasteButton_MouseMove, &Toolbar::imgPasteButton_MouseUp,
     &Toolbar::imgPasteButton_Click, &Toolbar::pasteClicked},
};

QList<ImageControl*> Toolbar::buttons() const {
    return {imgFileNewButton, imgFileOpenButton, imgCutButton, imgCopyButton, imgPasteButton};
}

ImageControl* Toolbar::addStore(const QString& name) {
    auto* store = new ImageControl(this);
    // Drawn for the density of the screen the program starts on.
    store->setPicture(ScreenPicture::load(name, devicePixelRatioF()));
    store->setVisible(false);
    return store;
}

ImageControl* Toolbar::addButton(const Row& row) {
    auto* button = new ImageControl(this);
    // Positions count from the inside of the strip's border, with Top 0.
    const int inside = frameWidth();
    button->move(inside + Twips::toPixels(row.leftTwips), inside);
    button->setPicture((this->*row.up)->Picture());
    connect(button, &ImageControl::MouseDown, this, row.onMouseDown);
    connect(button, &ImageControl::MouseMove, this, row.onMouseMove);
    connect(button, &ImageControl::MouseUp, this, row.onMouseUp);
    connect(button, &ImageControl::Click, this, row.onClick);
    return button;
}

void Toolbar::setEditButtonsVisible(bool visible) {
    imgCutButton->setVisible(visible);
    imgCopyButton->setVisible(visible);
    imgPasteButton->setVisible(visible);
}

bool Toolbar::editButtonsVisible() const { return !imgCutButton->isHidden(); }

void Toolbar::pressed(Index index) {
    const Row& row = Table[index];
    (this->*row.button)->setPicture((this->*row.dn)->Picture());
}

void Toolbar::dragged(Index index, int buttonState, float x, float y) {
    // Only a drag with the left button alone moves the pressed look.
    if (buttonState != 1) return;
    const Row& row = Table[index];
    ImageControl* button = this->*row.button;
    // The size is the button's own at this moment (New and Cut grow while pressed). X = 0 counts
    // as off the button, Y = 0 as over it, and X = Width and Y = Height still as over it.
    const float width = button->Width();
    const float height = button->Height();
    const bool outside = x <= 0 || x > width || y < 0 || y > height;
    button->setPicture(outside ? (this->*row.up)->Picture() : (this->*row.dn)->Picture());
}

void Toolbar::released(Index index) {
    const Row& row = Table[index];
    (this->*row.button)->setPicture((this->*row.up)->Picture());
}

void Toolbar::clicked(Index index) {
    const Row& row = Table[index];
    (this->*row.button)->repaint();
    emit(this->*row.signal)();
}

void Toolbar::imgFileNewButton_MouseDown(int, int, float, float) { pressed(NewButton); }
void Toolbar::imgFileNewButton_MouseMove(int Button, int, float X, float Y) {
    dragged(NewButton, Button, X, Y);
}
void Toolbar::imgFileNewButton_MouseUp(int, int, float, float) { released(NewButton); }
void Toolbar::imgFileNewButton_Click() { clicked(NewButton); }
void Toolbar::imgFileOpenButton_MouseDown(int, int, float, float) { pressed(OpenButton); }
void Toolbar::imgFileOpenButton_MouseMove(int Button, int, float X, float Y) {
    dragged(OpenButton, Button, X, Y);
}
void Toolbar::imgFileOpenButton_MouseUp(int, int, float, float) { released(OpenButton); }
void Toolbar::imgFileOpenButton_Click() { clicked(OpenButton); }
void Toolbar::imgCutButton_MouseDown(int, int, float, float) { pressed(CutButton); }
void Toolbar::imgCutButton_MouseMove(int Button, int, float X, float Y) {
    dragged(CutButton, Button, X, Y);
}
void Toolbar::imgCutButton_MouseUp(int, int, float, float) { released(CutButton); }
void Toolbar::imgCutButton_Click() { clicked(CutButton); }
void Toolbar::imgCopyButton_MouseDown(int, int, float, float) { pressed(CopyButton); }
void Toolbar::imgCopyButton_MouseMove(int Button, int, float X, float Y) {
    dragged(CopyButton, Button, X, Y);
}
void Toolbar::imgCopyButton_MouseUp(int, int, float, float) { released(CopyButton); }
void Toolbar::imgCopyButton_Click() { clicked(CopyButton); }
void Toolbar::imgPasteButton_MouseDown(int, int, float, float) { pressed(PasteButton); }
void Toolbar::imgPasteButton_MouseMove(int Button, int, float X, float Y) {
    dragged(PasteButton, Button, X, Y);
}
void Toolbar::imgPasteButton_MouseUp(int, int, float, float) { released(PasteButton); }
void Toolbar::imgPasteButton_Click() { clicked(PasteButton); }
