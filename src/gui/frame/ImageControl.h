#pragma once

#include <QPixmap>
#include <QWidget>

#include "core/platform/Twips.h"

// A plain picture that takes the size of the picture it shows and reports the pointer to its
// owner: MouseDown, MouseMove and MouseUp with the mouse-button state (1 left, 2 right, 4 middle),
// the shift-key state (1 Shift, 2 Ctrl, 4 Alt) and the pointer position relative to the control
// in twips (15 to a device-independent pixel); Click after the left button went down on the
// control and came up over it. Once a mouse button goes down on the control, the control keeps
// receiving the pointer until every button is up again, wherever the pointer goes.
class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent = nullptr);

    QPixmap Picture() const { return m_picture; }
    // Shows picture and takes its size.
    void setPicture(const QPixmap& picture);

    // The control's size in twips.
    float Width() const { return Twips::fromPixels(width()); }
    float Height() const { return Twips::fromPixels(height()); }

signals:
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void Click();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QPixmap m_picture;
    bool m_leftDown = false;
};
