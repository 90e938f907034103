#include "xwin.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <sys/select.h>
#include <cstring>
#include <thread>
#include <unistd.h>
#include <vector>

namespace wxh::pkgtest {
namespace {

Display* D(void* p) { return static_cast<Display*>(p); }

// Xlib calls exit() on some errors by default; a window that disappears between two calls
// is normal here, so errors are ignored.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

std::optional<std::string> TextProperty(Display* dpy, Window w, Atom prop, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, prop, 0, 4096, False, type, &actualType, &format, &n, &after,
                           &data) != Success || !data) {
        return std::nullopt;
    }
    std::optional<std::string> s;
    if (actualType != None && format == 8) s = std::string(reinterpret_cast<char*>(data), n);
    XFree(data);
    return s;
}

}  // namespace

std::unique_ptr<XServer> XServer::Start(std::string& why) {
    std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) {
        why = "Xvfb is not installed (Debian package xvfb)";
        return nullptr;
    }
    // -displayfd: the server picks a free display and writes its number to the pipe once it
    // is ready for clients, so no fixed number can clash with another developer's server.
    int fds[2];
    if (pipe(fds) != 0) {
        why = "pipe failed";
        return nullptr;
    }
    std::unique_ptr<XServer> server(new XServer);
    RunOptions opt;
    opt.timeout = std::chrono::seconds(0);
    // The write end must reach Xvfb as a known descriptor number; fork keeps it open, so the
    // number itself is passed.
    server->proc_ = std::make_unique<Child>(
        std::vector<std::string>{xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp", "-noreset"},
        opt, "wxh-xvfb");
    close(fds[1]);
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fds[0], &set);
        timeval tv{0, 200000};
        int r = select(fds[0] + 1, &set, nullptr, nullptr, &tv);
        if (r > 0) {
            char buf[32];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            number.append(buf, static_cast<size_t>(n));
            if (number.find('\n') != std::string::npos) break;
        }
        if (server->proc_->Poll()) break;
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
    if (number.empty()) {
        server->proc_->Kill();
        why = "Xvfb did not start: " + server->proc_->err();
        return nullptr;
    }
    server->display_ = ":" + number;
    XClient probe(server->display_);
    if (!probe.ok()) {
        why = "cannot connect to Xvfb on " + server->display_;
        return nullptr;
    }
    return server;
}

XServer::~XServer() {
    if (proc_) {
        kill(proc_->pid(), SIGTERM);
        if (!proc_->Wait(std::chrono::seconds(5))) proc_->Kill();
    }
}

XClient::XClient(const std::string& display) {
    XSetErrorHandler(IgnoreXError);
    dpy_ = XOpenDisplay(display.c_str());
}

XClient::~XClient() {
    if (dpy_) XCloseDisplay(D(dpy_));
}

std::optional<TopWindow> XClient::FindByTitlePrefix(const std::string& prefix) {
    Display* dpy = D(dpy_);
    Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &n)) return std::nullopt;
    std::optional<TopWindow> found;
    for (unsigned int i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy, children[i], &a) || a.map_state != IsViewable) continue;
        auto title = TextProperty(dpy, children[i], netWmName, utf8);
        if (!title) title = TextProperty(dpy, children[i], XA_WM_NAME, AnyPropertyType);
        if (title && title->compare(0, prefix.size(), prefix) == 0) {
            found = TopWindow{children[i], *title};
        }
    }
    if (children) XFree(children);
    return found;
}

bool XClient::IsMapped(unsigned long id) {
    XWindowAttributes a;
    return XGetWindowAttributes(D(dpy_), id, &a) && a.map_state == IsViewable;
}

bool XClient::SupportsDeleteWindow(unsigned long id) {
    Display* dpy = D(dpy_);
    Atom deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int n = 0;
    bool yes = false;
    if (XGetWMProtocols(dpy, id, &protocols, &n)) {
        for (int i = 0; i < n; ++i) yes = yes || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    return yes;
}

std::pair<std::string, std::string> XClient::WmClass(unsigned long id) {
    std::pair<std::string, std::string> result;
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(D(dpy_), id, &hint)) {
        if (hint.res_name) result.first = hint.res_name;
        if (hint.res_class) result.second = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return result;
}

void XClient::SendDeleteWindow(unsigned long id) {
    Display* dpy = D(dpy_);
    XEvent ev;
    std::memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = id;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, id, False, NoEventMask, &ev);
    XFlush(dpy);
}

}  // namespace wxh::pkgtest
