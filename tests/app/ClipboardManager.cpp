// A clipboard manager for the end-to-end tests, as a desktop runs one: it owns the
// CLIPBOARD_MANAGER selection, and when the program that owns the clipboard exits and asks it to
// save the clipboard (SAVE_TARGETS), it takes the clipboard's image/png and serves it from then on
// (TARGETS and image/png). Runs until it is killed. Exits 1 when another manager runs, 2 without
// a display.
// Usage: clipboard_manager READY_FILE   (created once the selection is owned)
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <vector>

namespace {

// Waits for the answer to a conversion requested for `window`; other events wait their turn.
bool WaitForConversion(Display* display, Window window, XSelectionEvent* answer) {
    XEvent event;
    XIfEvent(
        display, &event,
        [](Display*, XEvent* e, XPointer w) {
            return e->type == SelectionNotify && e->xselection.requestor == *reinterpret_cast<Window*>(w) ? True : False;
        },
        reinterpret_cast<XPointer>(&window));
    *answer = event.xselection;
    return answer->property != None;
}

std::vector<unsigned char> TakeProperty(Display* display, Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned char> bytes;
    if (XGetWindowProperty(display, window, property, 0, 1L << 26, True, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (format == 8) bytes.assign(data, data + count);
        XFree(data);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 2;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
    const Atom targets = XInternAtom(display, "TARGETS", False);
    const Atom png = XInternAtom(display, "image/png", False);
    const Atom incoming = XInternAtom(display, "NOXSTEG_TEST_SAVED", False);
    XSetSelectionOwner(display, manager, window, CurrentTime);
    if (XGetSelectionOwner(display, manager) != window) return 1;
    if (argc > 1)
        if (FILE* ready = std::fopen(argv[1], "w")) std::fclose(ready);

    std::vector<unsigned char> saved;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != SelectionRequest) continue;
        const XSelectionRequestEvent request = event.xselectionrequest;
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = display;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = None;
        if (request.selection == manager && request.target == saveTargets) {
            XConvertSelection(display, clipboard, png, incoming, window, CurrentTime);
            XSelectionEvent answer;
            if (WaitForConversion(display, window, &answer)) {
                saved = TakeProperty(display, window, incoming);
                XSetSelectionOwner(display, clipboard, window, CurrentTime);
                reply.property = request.property;
            }
        } else if (request.selection == clipboard && !saved.empty()) {
            if (request.target == targets) {
                const Atom offered[] = {targets, png};
                XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(offered), 2);
                reply.property = request.property;
            } else if (request.target == png) {
                XChangeProperty(display, request.requestor, request.property, png, 8, PropModeReplace, saved.data(),
                                static_cast<int>(saved.size()));
                reply.property = request.property;
            }
        }
        XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(display);
    }
}
