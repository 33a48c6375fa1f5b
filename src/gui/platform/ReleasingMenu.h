#pragma once

#include <QMenu>

// A menu that gives its window back to the window system each time it closes. A menu once shown
// keeps a native window and the picture of it that it is drawn into, as large as the menu (a
// long menu or one of many columns, a few megabytes); every document window has menus of its
// own, so that each window whose menus were ever opened would keep theirs. Opened again, the
// menu makes a new one, which costs about as little as showing it.
class ReleasingMenu : public QMenu {
    Q_OBJECT
public:
    explicit ReleasingMenu(const QString& title, QWidget* parent = nullptr);

signals:
    // The menu has closed and its window is gone: what was made for one opening may go too.
    void released();

protected:
    void hideEvent(QHideEvent* e) override;

private:
    void release();
};
