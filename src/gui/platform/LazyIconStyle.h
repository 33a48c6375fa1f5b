#pragma once

#include <QProxyStyle>

// The program's style, except that the pictures of the extension buttons (the ">>" a menu bar
// or a toolbar shows when its items do not fit) and of a document window's title bar and
// window menu are read the first time one is drawn. The menu bar and each document window make
// these when they are made; reading a picture then, with no format named, makes Qt load every
// image-format plugin it has (four libraries) during the start-up, for pictures that show only
// in a window too narrow for its menus or in a menu not yet opened.
class LazyIconStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Puts this style, over the application's current one, in its place. Call once the
    // application object exists, before the first widget does.
    static void install();

    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
