#pragma once

#include <QRect>
#include <QtGlobal>

// The unit the program's window layouts are written in: the twip, 1/1440 inch, 15 to a
// device-independent pixel (96 dots per inch).
class Twips {
public:
    static constexpr int PerPixel = 15;

    // A length in twips as pixels, rounded to the nearest pixel.
    static constexpr int toPixels(int twips) { return qRound(twips / double(PerPixel)); }
    // A rectangle given in twips, in pixels: each of its four numbers rounded on its own.
    static constexpr QRect rect(int left, int top, int width, int height) {
        return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    }
    // A length in pixels as twips, in single precision (as pointer positions are given).
    static constexpr float fromPixels(qreal pixels) {
        return static_cast<float>(pixels) * float(PerPixel);
    }
};
