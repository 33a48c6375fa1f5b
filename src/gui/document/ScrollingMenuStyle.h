#pragma once

#include <QProxyStyle>

// The program's style, except that a menu using it scrolls when it holds more items than the
// screen has room for, instead of spreading them over columns that can run off the screen.
class ScrollingMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};
