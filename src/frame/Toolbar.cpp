#include "frame/Toolbar.h"

#include <QLabel>

Toolbar::Toolbar(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFixedHeight(27);
    const int lefts[] = {0, 24, 56, 80, 104};
    QLabel** buttons[] = {&imgFileNewButton, &imgFileOpenButton, &imgCutButton, &imgCopyButton,
                          &imgPasteButton};
    for (int i = 0; i < 5; ++i) {
        *buttons[i] = new QLabel(this);
        (*buttons[i])->setGeometry(lefts[i], 0, 16, 15);
    }
}

void Toolbar::setEditButtonsVisible(bool visible)
{
    imgCutButton->setVisible(visible);
    imgCopyButton->setVisible(visible);
    imgPasteButton->setVisible(visible);
}

bool Toolbar::editButtonsVisible() const { return !imgCutButton->isHidden(); }
