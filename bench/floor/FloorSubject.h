#pragma once

#include <memory>

#include "BenchSubject.h"

class QMdiArea;
class QMenu;

// The floor: the least a Qt 6 program of this kind does. A QMainWindow whose central widget is
// a QMdiArea holding one QPlainTextEdit; a file is read whole and set with setPlainText. Its
// other commands are Qt's own: QPlainTextEdit's keys and find(), a new QPlainTextEdit per
// File, New, a menu of the font families, QMdiArea's tiling and cascading.
//
// Framed, it also draws what Tavulella's start-up frame draws, and nothing else: a menu bar
// with the same six titles, a tool bar of five 16 x 16 pictures, and its one child window with
// a title, an icon and a text box whose vertical scroll bar always shows, in the same fonts
// (the forms' bold 8.25-point face, narrowed, in the child window; the default font elsewhere).
// The pictures are drawn in code, so that the floor reads no image file either.
class FloorSubject : public BenchSubject {
public:
    explicit FloorSubject(bool framed = false);
    ~FloorSubject() override;

    void start() override;
    QMainWindow* frame() override { return m_frame.get(); }
    QPlainTextEdit* editor() override;
    void open(const QString& path) override;
    bool findNext(const QString& text, bool matchCase) override;
    void save(const QString& path) override;
    void newWindow() override;
    void openFontMenu() override;
    void closeFontMenu() override;
    void tile() override;
    void cascade() override;
    void closeActiveWindow() override;
    int windowCount() override;

private:
    void addEditor();

    bool m_framed;
    std::unique_ptr<QMainWindow> m_frame;
    QMdiArea* m_mdi = nullptr;
    QMenu* m_fontMenu = nullptr;
};
