#pragma once
// Search for the host program's main window among the visible top-level windows of the display.
// Visible means shown to the user in some form: on screen (viewable), minimised (WM_STATE
// Iconic), or kept by the window manager on another workspace; a withdrawn (hidden) window never
// counts. Without a window manager there is no WM_STATE and only viewable windows count.

#include <QString>
#include <QStringList>
#include <memory>

namespace klv {

class HostWindowFinder {
public:
    virtual ~HostWindowFinder() = default;
    // True when a visible (viewable) top-level window has exactly this caption (case-sensitive,
    // whole text). Windows without a caption are skipped; no display means no window.
    virtual bool correApp(const QString& caption) = 0;
};

// What the search knows of one top-level window.
struct TopLevelWindow {
    enum WmState { NoWmState = -1, Withdrawn = 0, Normal = 1, Iconic = 3 };
    bool viewable = false;        // mapped, with every ancestor mapped
    int wmState = NoWmState;      // first field of WM_STATE, set by a window manager
    bool listedByWm = false;      // in the window manager's _NET_CLIENT_LIST
    bool onOtherDesktop = false;  // _NET_WM_DESKTOP names a workspace other than the current one
};
// True when that window counts as visible for the search.
bool countsAsShown(const TopLevelWindow& w);

// Walks the X11 top-level windows through xcb: _NET_CLIENT_LIST when a window manager provides
// it, else the root window's children; captions from _NET_WM_NAME, else WM_NAME.
class XcbHostWindowFinder : public HostWindowFinder {
public:
    bool correApp(const QString& caption) override;
    // Captions of the top-level windows that count as visible (for diagnostics and tests).
    QStringList visibleCaptions();
};

// Test double with a fixed list of visible captions.
class FakeHostWindowFinder : public HostWindowFinder {
public:
    explicit FakeHostWindowFinder(QStringList captions = {}) : captions_(std::move(captions)) {}
    bool correApp(const QString& caption) override;
    QStringList captions_;
};

// The exact comparison shared by every finder.
bool captionMatches(const QString& windowCaption, const QString& wanted);

}  // namespace klv
