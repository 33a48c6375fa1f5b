#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;

// The About box: the program's name and release, a note from its author, the contact lines and
// two pictures, with one button that closes it. It has a fixed size and centres itself on the
// screen each time it is made; it is shown modally and lives for one showing only.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The text the box shows: six blocks, each followed by two line feeds.
    static QString AboutText();

    QPushButton* cmdAbout = nullptr;
    QGroupBox* fraAbout = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lblAbout = nullptr;

public slots:
    void cmdAbout_Click();

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Centres the window's outer frame on the primary screen.
    void Form_Load();

    QSize m_centredFor;
};
