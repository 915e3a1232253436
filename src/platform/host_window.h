#pragma once
// Search for the host program's main window among the visible top-level windows of the display.

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

// Walks the X11 top-level windows through xcb: _NET_CLIENT_LIST when a window manager provides
// it, else the root window's children; captions from _NET_WM_NAME, else WM_NAME.
class XcbHostWindowFinder : public HostWindowFinder {
public:
    bool correApp(const QString& caption) override;
    // Captions of the viewable top-level windows (for diagnostics and tests).
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
