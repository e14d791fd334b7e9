// Finding a top-level program window by its title on a shared X display.
// Other programs' windows come and go while the tree is walked: a request on a
// window that has just vanished fails with BadWindow, and Xlib's default
// handler would end the whole process for it.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace benchx {

// While it lives, X errors are swallowed: a request that fails answers as
// failed (a zero status or a null result) and the caller goes on.
class IgnoreXErrors {
public:
    explicit IgnoreXErrors(Display* display) : display_(display) {
        XSync(display_, False);  // earlier requests' errors go to the old handler
        previous_ = XSetErrorHandler(&Ignore);
    }
    ~IgnoreXErrors() {
        XSync(display_, False);  // this scope's errors arrive while they are still ignored
        XSetErrorHandler(previous_);
    }
    IgnoreXErrors(const IgnoreXErrors&) = delete;
    IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;

private:
    static int Ignore(Display*, XErrorEvent*) { return 0; }
    Display* display_;
    XErrorHandler previous_;
};

namespace detail {
inline Window FindUnder(Display* display, Window root, const std::string& prefix) {
    char* name = nullptr;
    if (XFetchName(display, root, &name) && name) {
        const bool match = std::string(name).rfind(prefix, 0) == 0;
        XFree(name);
        if (match) return root;
    }
    Window parent, rootReturn;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) found = FindUnder(display, children[i], prefix);
        if (children) XFree(children);
    }
    return found;
}
}  // namespace detail

// The first window at or below root whose title starts with prefix, or 0.
inline Window FindWindowByTitle(Display* display, Window root, const std::string& prefix) {
    IgnoreXErrors ignore(display);
    return detail::FindUnder(display, root, prefix);
}

}  // namespace benchx
