#include "gui/frame/ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

int buttonBits(Qt::MouseButtons buttons) {
    int bits = 0;
    if (buttons & Qt::LeftButton) bits |= 1;
    if (buttons & Qt::RightButton) bits |= 2;
    if (buttons & Qt::MiddleButton) bits |= 4;
    return bits;
}

int shiftBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= 1;
    if (modifiers & Qt::ControlModifier) bits |= 2;
    if (modifiers & Qt::AltModifier) bits |= 4;
    return bits;
}

}  // namespace

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) { resize(0, 0); }

void ImageControl::setPicture(const QPixmap& picture) {
    m_picture = picture;
    resize(picture.deviceIndependentSize().toSize());
    update();
}

void ImageControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void ImageControl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_leftDown = true;
    const QPointF p = e->position();
    emit MouseDown(buttonBits(e->button()), shiftBits(e->modifiers()), Twips::fromPixels(p.x()),
                   Twips::fromPixels(p.y()));
}

void ImageControl::mouseMoveEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    emit MouseMove(buttonBits(e->buttons()), shiftBits(e->modifiers()), Twips::fromPixels(p.x()),
                   Twips::fromPixels(p.y()));
}

void ImageControl::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    // "Over the control" is judged by the size the control had when the button came up, before
    // MouseUp gets a chance to change its picture.
    const bool over = p.x() >= 0 && p.y() >= 0 && p.x() < width() && p.y() < height();
    const bool click = e->button() == Qt::LeftButton && m_leftDown && over;
    if (e->button() == Qt::LeftButton) m_leftDown = false;
    emit MouseUp(buttonBits(e->button()), shiftBits(e->modifiers()), Twips::fromPixels(p.x()),
                 Twips::fromPixels(p.y()));
    if (click) emit Click();
}
