#include "gui/platform/LazyIconStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPointer>

namespace {

// An icon that asks the style for its picture the first time the picture is needed; its size
// and its being an icon are known without it.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which)
        : m_style(style), m_which(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon& icon() {
        if (!m_loaded) {
            // The base style draws the picture; once it is gone (the application's style
            // replaced), the application's style does.
            m_icon = m_style ? m_style->standardIcon(m_which)
                             : QApplication::style()->standardIcon(m_which);
            m_loaded = true;
        }
        return m_icon;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QIcon m_icon;
    bool m_loaded = false;
};

}  // namespace

void LazyIconStyle::install() {
    // The proxy takes the current style over as its base; Qt then no longer owns it.
    QApplication::setStyle(new LazyIconStyle(QApplication::style()));
}

QIcon LazyIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                  const QWidget* widget) const {
    // Without an option these pictures depend only on the application's layout direction.
    switch (standardIcon) {
        case SP_ToolBarHorizontalExtensionButton:
        case SP_ToolBarVerticalExtensionButton:
        case SP_TitleBarMenuButton:
        case SP_TitleBarMinButton:
        case SP_TitleBarMaxButton:
        case SP_TitleBarCloseButton:
        case SP_TitleBarNormalButton:
        case SP_TitleBarShadeButton:
        case SP_TitleBarUnshadeButton:
        case SP_TitleBarContextHelpButton:
            if (!option) return QIcon(new DeferredIconEngine(baseStyle(), standardIcon));
            break;
        default:
            break;
    }
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}
