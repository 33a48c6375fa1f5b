#include "frame/Toolbar.h"

#include <QAccessible>

#include "frame/ImageControl.h"
#include "frame/ToolbarAccessible.h"
#include "platform/ScreenPicture.h"
#include "platform/Twips.h"

Toolbar::Toolbar(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFixedHeight(StripHeight);
    // A screen reader sees a tool bar of push buttons, not a frame of nameless pictures.
    QAccessible::installFactory(&ToolbarAccessible::factory);
    setAccessibleName(QStringLiteral("'E strumente"));

    imgFileNewButtonUp = addStore(QStringLiteral(":/imgFileNewButtonUp.bmp"));
    imgFileNewButtonDn = addStore(QStringLiteral(":/imgFileNewButtonDn.bmp"));
    imgFileOpenButtonUp = addStore(QStringLiteral(":/imgFileOpenButtonUp.bmp"));
    imgFileOpenButtonDn = addStore(QStringLiteral(":/imgFileOpenButtonDn.bmp"));
    imgCutButtonUp = addStore(QStringLiteral(":/imgCutButtonUp.bmp"));
    imgCutButtonDn = addStore(QStringLiteral(":/imgCutButtonDn.bmp"));
    imgCopyButtonUp = addStore(QStringLiteral(":/imgCopyButtonUp.bmp"));
    imgCopyButtonDn = addStore(QStringLiteral(":/imgCopyButtonDn.bmp"));
    imgPasteButtonUp = addStore(QStringLiteral(":/imgPasteButtonUp.bmp"));
    imgPasteButtonDn = addStore(QStringLiteral(":/imgPasteButtonDn.bmp"));

    // 360 twips from one button to the next; Cut starts 480 twips after Open, which sets the
    // file buttons apart from the edit buttons.
    imgFileNewButton = addButton(0, imgFileNewButtonUp, &Toolbar::imgFileNewButton_MouseDown,
                                 &Toolbar::imgFileNewButton_MouseMove,
                                 &Toolbar::imgFileNewButton_MouseUp,
                                 &Toolbar::imgFileNewButton_Click);
    imgFileOpenButton = addButton(360, imgFileOpenButtonUp, &Toolbar::imgFileOpenButton_MouseDown,
                                  &Toolbar::imgFileOpenButton_MouseMove,
                                  &Toolbar::imgFileOpenButton_MouseUp,
                                  &Toolbar::imgFileOpenButton_Click);
    imgCutButton = addButton(840, imgCutButtonUp, &Toolbar::imgCutButton_MouseDown,
                             &Toolbar::imgCutButton_MouseMove, &Toolbar::imgCutButton_MouseUp,
                             &Toolbar::imgCutButton_Click);
    imgCopyButton = addButton(1200, imgCopyButtonUp, &Toolbar::imgCopyButton_MouseDown,
                              &Toolbar::imgCopyButton_MouseMove, &Toolbar::imgCopyButton_MouseUp,
                              &Toolbar::imgCopyButton_Click);
    imgPasteButton = addButton(1560, imgPasteButtonUp, &Toolbar::imgPasteButton_MouseDown,
                               &Toolbar::imgPasteButton_MouseMove, &Toolbar::imgPasteButton_MouseUp,
                               &Toolbar::imgPasteButton_Click);

    // Each button is named like its menu command, for screen readers. Named only now that all
    // five are in buttons(): naming a control makes the accessibility layer look it up at once,
    // and it takes an image control for a toolbar button only once buttons() lists it.
    const QStringList names = {QStringLiteral("Nova"), QStringLiteral("Arape"),
                               QStringLiteral("Taglia"), QStringLiteral("Cuopie"),
                               QStringLiteral("'Ncolla")};
    const QList<ImageControl*> all = buttons();
    for (int i = 0; i < all.size(); ++i) all[i]->setAccessibleName(names.at(i));
}

QList<ImageControl*> Toolbar::buttons() const
{
    return {imgFileNewButton, imgFileOpenButton, imgCutButton, imgCopyButton, imgPasteButton};
}

ImageControl* Toolbar::addStore(const QString& name)
{
    auto* store = new ImageControl(this);
    // Drawn for the density of the screen the program starts on.
    store->setPicture(ScreenPicture::load(name, devicePixelRatioF()));
    store->setVisible(false);
    return store;
}

ImageControl* Toolbar::addButton(int leftTwips, ImageControl* up,
                                 void (Toolbar::*down)(int, int, float, float),
                                 void (Toolbar::*move)(int, int, float, float),
                                 void (Toolbar::*release)(int, int, float, float),
                                 void (Toolbar::*click)())
{
    auto* button = new ImageControl(this);
    // Positions count from the inside of the strip's border, with Top 0.
    const int inside = frameWidth();
    button->move(inside + Twips::toPixels(leftTwips), inside);
    button->setPicture(up->Picture());
    connect(button, &ImageControl::MouseDown, this, down);
    connect(button, &ImageControl::MouseMove, this, move);
    connect(button, &ImageControl::MouseUp, this, release);
    connect(button, &ImageControl::Click, this, click);
    return button;
}

void Toolbar::setEditButtonsVisible(bool visible)
{
    imgCutButton->setVisible(visible);
    imgCopyButton->setVisible(visible);
    imgPasteButton->setVisible(visible);
}

bool Toolbar::editButtonsVisible() const { return !imgCutButton->isHidden(); }

void Toolbar::followPointer(ImageControl* button, const ImageControl* up, const ImageControl* dn,
                            int buttonState, float x, float y)
{
    // Only a drag with the left button alone moves the pressed look.
    if (buttonState != 1) return;
    // The size is the button's own at this moment (New and Cut grow while pressed). X = 0 counts
    // as off the button, Y = 0 as over it, and X = Width and Y = Height still as over it.
    const float width = button->Width();
    const float height = button->Height();
    const bool outside = x <= 0 || x > width || y < 0 || y > height;
    button->setPicture(outside ? up->Picture() : dn->Picture());
}

// New.
void Toolbar::imgFileNewButton_MouseDown(int, int, float, float)
{
    imgFileNewButton->setPicture(imgFileNewButtonDn->Picture());
}
void Toolbar::imgFileNewButton_MouseMove(int Button, int, float X, float Y)
{
    followPointer(imgFileNewButton, imgFileNewButtonUp, imgFileNewButtonDn, Button, X, Y);
}
void Toolbar::imgFileNewButton_MouseUp(int, int, float, float)
{
    imgFileNewButton->setPicture(imgFileNewButtonUp->Picture());
}
void Toolbar::imgFileNewButton_Click()
{
    imgFileNewButton->repaint();
    emit newClicked();
}

// Open.
void Toolbar::imgFileOpenButton_MouseDown(int, int, float, float)
{
    imgFileOpenButton->setPicture(imgFileOpenButtonDn->Picture());
}
void Toolbar::imgFileOpenButton_MouseMove(int Button, int, float X, float Y)
{
    followPointer(imgFileOpenButton, imgFileOpenButtonUp, imgFileOpenButtonDn, Button, X, Y);
}
void Toolbar::imgFileOpenButton_MouseUp(int, int, float, float)
{
    imgFileOpenButton->setPicture(imgFileOpenButtonUp->Picture());
}
void Toolbar::imgFileOpenButton_Click()
{
    imgFileOpenButton->repaint();
    emit openClicked();
}

// Cut.
void Toolbar::imgCutButton_MouseDown(int, int, float, float)
{
    imgCutButton->setPicture(imgCutButtonDn->Picture());
}
void Toolbar::imgCutButton_MouseMove(int Button, int, float X, float Y)
{
    followPointer(imgCutButton, imgCutButtonUp, imgCutButtonDn, Button, X, Y);
}
void Toolbar::imgCutButton_MouseUp(int, int, float, float)
{
    imgCutButton->setPicture(imgCutButtonUp->Picture());
}
void Toolbar::imgCutButton_Click()
{
    imgCutButton->repaint();
    emit cutClicked();
}

// Copy.
void Toolbar::imgCopyButton_MouseDown(int, int, float, float)
{
    imgCopyButton->setPicture(imgCopyButtonDn->Picture());
}
void Toolbar::imgCopyButton_MouseMove(int Button, int, float X, float Y)
{
    followPointer(imgCopyButton, imgCopyButtonUp, imgCopyButtonDn, Button, X, Y);
}
void Toolbar::imgCopyButton_MouseUp(int, int, float, float)
{
    imgCopyButton->setPicture(imgCopyButtonUp->Picture());
}
void Toolbar::imgCopyButton_Click()
{
    imgCopyButton->repaint();
    emit copyClicked();
}

// Paste.
void Toolbar::imgPasteButton_MouseDown(int, int, float, float)
{
    imgPasteButton->setPicture(imgPasteButtonDn->Picture());
}
void Toolbar::imgPasteButton_MouseMove(int Button, int, float X, float Y)
{
    followPointer(imgPasteButton, imgPasteButtonUp, imgPasteButtonDn, Button, X, Y);
}
void Toolbar::imgPasteButton_MouseUp(int, int, float, float)
{
    imgPasteButton->setPicture(imgPasteButtonUp->Picture());
}
void Toolbar::imgPasteButton_Click()
{
    imgPasteButton->repaint();
    emit pasteClicked();
}
