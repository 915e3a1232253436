#include "host_window.h"

#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace klv {
namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_intern_atom(c, 1, static_cast<uint16_t>(strlen(name)), name);
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!r) return XCB_ATOM_NONE;
    const xcb_atom_t a = r->atom;
    std::free(r);
    return a;
}

// The first 32-bit value of a property, or `missing`.
qint64 cardinal(const QByteArray& value, qint64 missing) {
    if (value.size() < 4) return missing;
    return *reinterpret_cast<const quint32*>(value.constData());
}

// Reads a property as bytes; empty when missing.
QByteArray property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
    if (prop == XCB_ATOM_NONE) return {};
    auto cookie = xcb_get_property(c, 0, w, prop, type, 0, 1 << 16);
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr);
    if (!r) return {};
    QByteArray out(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return out;
}

}  // namespace

bool countsAsShown(const TopLevelWindow& w) {
    if (w.viewable) return true;
    if (w.wmState == TopLevelWindow::Iconic) return true;
    // A window on another workspace is unmapped by its window manager but stays a normal client.
    return w.listedByWm && w.wmState == TopLevelWindow::Normal && w.onOtherDesktop;
}

bool captionMatches(const QString& windowCaption, const QString& wanted) {
    return !windowCaption.isEmpty() && windowCaption == wanted;
}

bool FakeHostWindowFinder::correApp(const QString& caption) {
    for (const QString& c : captions_)
        if (captionMatches(c, caption)) return true;
    return false;
}

QStringList XcbHostWindowFinder::visibleCaptions() {
    QStringList out;
    int screenNo = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNo);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return out;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNo && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return out;
    }
    const xcb_window_t root = it.data->root;
    const xcb_atom_t clientList = internAtom(c, "_NET_CLIENT_LIST");
    const xcb_atom_t netWmName = internAtom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = internAtom(c, "UTF8_STRING");
    const xcb_atom_t wmState = internAtom(c, "WM_STATE");
    const xcb_atom_t wmDesktop = internAtom(c, "_NET_WM_DESKTOP");
    const qint64 currentDesktop =
        cardinal(property(c, root, internAtom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL), -1);
    constexpr qint64 kAllDesktops = 0xFFFFFFFF;

    std::vector<xcb_window_t> windows;
    const QByteArray list = property(c, root, clientList, XCB_ATOM_WINDOW);
    const bool listedByWm = !list.isEmpty();
    if (listedByWm) {
        const auto* ids = reinterpret_cast<const xcb_window_t*>(list.constData());
        windows.assign(ids, ids + list.size() / static_cast<int>(sizeof(xcb_window_t)));
    } else {
        auto cookie = xcb_query_tree(c, root);
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, cookie, nullptr);
        if (tree) {
            const xcb_window_t* kids = xcb_query_tree_children(tree);
            windows.assign(kids, kids + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
    }
    for (xcb_window_t w : windows) {
        auto ac = xcb_get_window_attributes(c, w);
        xcb_get_window_attributes_reply_t* attrs = xcb_get_window_attributes_reply(c, ac, nullptr);
        if (!attrs) continue;
        TopLevelWindow facts;
        facts.viewable = attrs->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attrs);
        facts.listedByWm = listedByWm;
        if (!facts.viewable) {
            facts.wmState = static_cast<int>(cardinal(property(c, w, wmState, wmState), TopLevelWindow::NoWmState));
            const qint64 desktop = cardinal(property(c, w, wmDesktop, XCB_ATOM_CARDINAL), -1);
            facts.onOtherDesktop =
                desktop >= 0 && desktop != kAllDesktops && currentDesktop >= 0 && desktop != currentDesktop;
        }
        if (!countsAsShown(facts)) continue;
        QString caption;
        const QByteArray netName = property(c, w, netWmName, utf8);
        if (!netName.isEmpty())
            caption = QString::fromUtf8(netName);
        else
            caption = QString::fromLatin1(property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING));
        if (!caption.isEmpty()) out << caption;
    }
    xcb_disconnect(c);
    return out;
}

bool XcbHostWindowFinder::correApp(const QString& caption) {
    for (const QString& c : visibleCaptions())
        if (captionMatches(c, caption)) return true;
    return false;
}

}  // namespace klv
