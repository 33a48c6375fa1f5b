#pragma once

#include <QFrame>

class QLabel;

// The strip of picture buttons along the top of the frame's client area.
class Toolbar : public QFrame {
    Q_OBJECT
public:
    explicit Toolbar(QWidget* parent = nullptr);

    // Shows or hides Cut, Copy and Paste together, in that order.
    void setEditButtonsVisible(bool visible);
    bool editButtonsVisible() const;

    QLabel* imgFileNewButton = nullptr;
    QLabel* imgFileOpenButton = nullptr;
    QLabel* imgCutButton = nullptr;
    QLabel* imgCopyButton = nullptr;
    QLabel* imgPasteButton = nullptr;

signals:
    void newClicked();
    void openClicked();
    void cutClicked();
    void copyClicked();
    void pasteClicked();
};
