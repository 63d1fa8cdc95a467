#pragma once

#include <xcb/xcb.h>

#include <QByteArray>
#include <QRect>
#include <QRgb>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pictavo::test {

// A plain xcb connection that arranges a display behind the back of the program under test:
// windows, solid rectangles, colours and properties of the root. Every call waits until the server
// has done it.
class RawDisplay {
public:
    explicit RawDisplay(const QByteArray& name) {
        c_ = xcb_connect(name.constData(), nullptr);
        if (!xcb_connection_has_error(c_)) {
            screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
            gc_ = xcb_generate_id(c_);
            xcb_create_gc(c_, gc_, screen_->root, 0, nullptr);
        }
    }
    ~RawDisplay() { xcb_disconnect(c_); }
    RawDisplay(const RawDisplay&) = delete;
    RawDisplay& operator=(const RawDisplay&) = delete;

    bool isOpen() const { return screen_ != nullptr; }
    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return screen_->root; }

    // The pixel value that shows `colour`, as the server allocates it in the default colormap:
    // a read-only cell on a colormapped display, the channel bits on a true-colour one.
    uint32_t pixelFor(QRgb colour) {
        auto* reply = xcb_alloc_color_reply(
            c_,
            xcb_alloc_color(c_, screen_->default_colormap, uint16_t(qRed(colour) * 257),
                            uint16_t(qGreen(colour) * 257), uint16_t(qBlue(colour) * 257)),
            nullptr);
        const uint32_t pixel = reply ? reply->pixel : 0;
        std::free(reply);
        return pixel;
    }

    void fill(xcb_drawable_t drawable, const QRect& rect, uint32_t pixel) {
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t r{int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()),
                                uint16_t(rect.height())};
        xcb_poly_fill_rectangle(c_, drawable, gc_, 1, &r);
        sync();
    }

    // A mapped window of a solid background; `rect` is relative to `parent`, inside the border.
    // An override-redirect window is one no window manager handles (a pop-up menu, say).
    xcb_window_t createWindow(xcb_window_t parent, const QRect& rect, int border, uint32_t pixel,
                              bool overrideRedirect = false) {
        const xcb_window_t w = xcb_generate_id(c_);
        const uint32_t values[] = {pixel, screen_->black_pixel, overrideRedirect};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, parent, int16_t(rect.x()), int16_t(rect.y()),
                          uint16_t(rect.width()), uint16_t(rect.height()), uint16_t(border),
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
                          values);
        xcb_map_window(c_, w);
        sync();
        return w;
    }

    // The window `w` is a child of; 0 when it no longer exists.
    xcb_window_t parentOf(xcb_window_t w) {
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
        const xcb_window_t parent = tree ? tree->parent : 0;
        std::free(tree);
        return parent;
    }

    void destroy(xcb_window_t w) {
        xcb_destroy_window(c_, w);
        sync();
    }

    // Sets (or with no values deletes) a property of 32-bit values on the root, as a window
    // manager sets _NET_ACTIVE_WINDOW or _NET_WORKAREA.
    void setRootProperty(const char* name, xcb_atom_t type, const std::vector<uint32_t>& values) {
        auto* atom =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        if (values.empty()) {
            xcb_delete_property(c_, root(), atom->atom);
        } else {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root(), atom->atom, type, 32,
                                static_cast<uint32_t>(values.size()), values.data());
        }
        std::free(atom);
        sync();
    }

    // Whether another client holds the keyboard; a grab of this connection's is let go at once.
    bool keyboardGrabbed() {
        auto* reply =
            xcb_grab_keyboard_reply(c_,
                                    xcb_grab_keyboard(c_, 0, root(), XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr);
        const uint8_t status = reply ? reply->status : uint8_t(XCB_GRAB_STATUS_NOT_VIEWABLE);
        std::free(reply);
        if (status == XCB_GRAB_STATUS_SUCCESS) {
            xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
            sync();
        }
        return status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    }

    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_gcontext_t gc_ = 0;
};

}  // namespace pictavo::test
