// Finds a top-level window on the X display by its caption and asks it to close, as a window
// manager's close box does (a WM_DELETE_WINDOW message). Exits 0 once the request is sent, 1 when
// no such window appears within the given number of seconds, 2 without a display.
// Usage: close_window_by_caption "<caption>" [seconds]
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string WindowCaption(Display* display, Window window) {
    // _NET_WM_NAME (UTF-8) first, then the older WM_NAME.
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string caption;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        caption.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
        if (!caption.empty()) return caption;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        caption = name;
        XFree(name);
    }
    return caption;
}

// The first window at most two levels below `parent` that carries `caption`.
Window FindWindow(Display* display, Window parent, const std::string& caption, int depth) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (WindowCaption(display, children[i]) == caption) found = children[i];
        else if (depth > 0) found = FindWindow(display, children[i], caption, depth - 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s caption [seconds]\n", argv[0]);
        return 2;
    }
    const std::string caption = argv[1];
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    Window window = 0;
    while ((window = FindWindow(display, DefaultRootWindow(display), caption, 1)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "no window captioned \"%s\"\n", caption.c_str());
            XCloseDisplay(display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    std::printf("closed window 0x%lx captioned \"%s\"\n", window, caption.c_str());
    XCloseDisplay(display);
    return 0;
}
