#pragma once
// A real X server for the desktop smoke test, and what a window manager would do to a
// program's window: find it by its title and ask it to close (WM_DELETE_WINDOW).
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "proc.h"

namespace wxh::pkgtest {

// Xvfb on a free display number; stopped when the object goes away.
class XServer {
public:
    // Starts Xvfb and waits until it accepts connections. On failure returns nullptr and
    // puts the reason in `why`.
    static std::unique_ptr<XServer> Start(std::string& why);
    ~XServer();
    const std::string& display() const { return display_; }  // ":N"

private:
    XServer() = default;
    std::unique_ptr<Child> proc_;
    std::string display_;
};

struct TopWindow {
    unsigned long id = 0;
    std::string title;  // _NET_WM_NAME (UTF-8), else WM_NAME
};

// Connection to the display, for looking at top-level windows.
class XClient {
public:
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;
    bool ok() const { return dpy_ != nullptr; }

    // The first mapped top-level window whose title starts with `prefix`.
    std::optional<TopWindow> FindByTitlePrefix(const std::string& prefix);
    // Whether the window still exists and is mapped.
    bool IsMapped(unsigned long id);
    // True when the window lists WM_DELETE_WINDOW in its WM_PROTOCOLS.
    bool SupportsDeleteWindow(unsigned long id);
    // The two parts of WM_CLASS (instance name, class name), by which desktops match a
    // window to its desktop entry.
    std::pair<std::string, std::string> WmClass(unsigned long id);
    // Sends the close request a window manager sends when the user clicks the close box.
    void SendDeleteWindow(unsigned long id);

private:
    void* dpy_ = nullptr;  // Display*, kept out of this header so Xlib's macros stay contained
};

}  // namespace wxh::pkgtest
