#include "gui/platform/StartupNotice.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_client_message_event_t message(xcb_window_t window, xcb_atom_t type) {
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    return event;
}

}  // namespace

void StartupNotice::apply(QWidget& window, const QString& id) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (id.isEmpty() || !x11) return;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t win = window.winId();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return;
    const xcb_window_t root = screen->root;
    const QByteArray bytes = id.toUtf8();

    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom(c, "_NET_STARTUP_ID"),
                        atom(c, "UTF8_STRING"), 8, bytes.size(), bytes.constData());

    // The launch's time travels in its ID as "_TIME<timestamp>".
    static const QRegularExpression timePart(QStringLiteral("_TIME(\\d+)"));
    const QRegularExpressionMatch time = timePart.match(id);
    xcb_client_message_event_t activate = message(win, atom(c, "_NET_ACTIVE_WINDOW"));
    activate.data.data32[0] = 1;  // asked for by an application
    activate.data.data32[1] = time.hasMatch() ? time.captured(1).toUInt() : XCB_CURRENT_TIME;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&activate));

    // "remove: ID=..." ends the launch; the text goes in pieces of 20 bytes, the first as
    // _NET_STARTUP_INFO_BEGIN, the rest as _NET_STARTUP_INFO, ending with a NUL.
    QByteArray quoted = bytes;
    quoted.replace('\\', "\\\\").replace('"', "\\\"").replace(' ', "\\ ");
    const QByteArray text = "remove: ID=" + quoted + '\0';
    const xcb_atom_t begin = atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(c, "_NET_STARTUP_INFO");
    for (int at = 0; at < text.size(); at += 20) {
        xcb_client_message_event_t piece = message(win, at == 0 ? begin : more);
        piece.format = 8;
        std::memcpy(piece.data.data8, text.constData() + at, std::min<int>(20, text.size() - at));
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&piece));
    }
    xcb_flush(c);
}
