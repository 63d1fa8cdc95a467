#include "platform/X11ScreenSource.h"

#include "platform/XcbReply.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

namespace pictavo {

namespace {

// A window manager nests a client at most a few levels deep; the bound only guards against a
// server that answers with a cycle.
constexpr int kMaxTreeDepth = 64;

xcb_screen_t* screenOf(xcb_connection_t* c, int screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    xcb_screen_t* first = it.data;
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber) {
            return it.data;
        }
    }
    return first;
}

const xcb_visualtype_t* visualOf(const xcb_screen_t* screen, xcb_visualid_t id) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0;
         xcb_depth_next(&depths)) {
        for (auto v = xcb_depth_visuals_iterator(depths.data); v.rem > 0; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == id) {
                return v.data;
            }
        }
    }
    return nullptr;
}

}  // namespace

X11ScreenSource::X11ScreenSource(xcb_connection_t* connection, int screenNumber,
                                 Transport transport)
    : X11ScreenSource(borrowedConnection(connection), screenNumber, transport) {}

X11ScreenSource::X11ScreenSource(XcbConnection connection, int screenNumber, Transport transport)
    : owner_(std::move(connection)), connection_(owner_.get()) {
    if (connection_ == nullptr || xcb_connection_has_error(connection_)) {
        return;
    }
    if (transport == Transport::SharedMemoryWhenLocal) {
        shared_ = std::make_unique<X11SharedSegment>(connection_);
    }
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    xcb_screen_t* screen = screenOf(connection_, screenNumber);
    if (screen == nullptr) {
        return;
    }
    root_ = screen->root;
    defaultColormap_ = screen->default_colormap;
    layout_.depth = screen->root_depth;
    layout_.msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    layout_.blackPixel = screen->black_pixel;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f)) {
        if (f.data->depth == screen->root_depth) {
            layout_.bitsPerPixel = f.data->bits_per_pixel;
            layout_.scanlinePad = f.data->scanline_pad;
        }
    }
    if (const xcb_visualtype_t* visual = visualOf(screen, screen->root_visual)) {
        switch (visual->_class) {
            case XCB_VISUAL_CLASS_TRUE_COLOR:
            case XCB_VISUAL_CLASS_DIRECT_COLOR:
                layout_.redMask = visual->red_mask;
                layout_.greenMask = visual->green_mask;
                layout_.blueMask = visual->blue_mask;
                break;
            default:
                layout_.colormapped = true;
                colormapEntries_ = std::min<int>(visual->colormap_entries, 256);
                layout_.keepsPalette = visual->_class == XCB_VISUAL_CLASS_PSEUDO_COLOR &&
                                       visual->colormap_entries == 256;
                break;
        }
    }
}

std::unique_ptr<X11ScreenSource> X11ScreenSource::open(const QByteArray& displayName,
                                                       Transport transport) {
    int screenNumber = 0;
    XcbConnection c(
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber));
    if (xcb_connection_has_error(c.get())) {
        return nullptr;
    }
    return std::make_unique<X11ScreenSource>(std::move(c), screenNumber, transport);
}

X11ScreenSource::~X11ScreenSource() = default;

QRect X11ScreenSource::virtualScreen() {
    // The size in the connection setup goes stale when RandR resizes the root; ask.
    if (root_ == XCB_WINDOW_NONE) {
        return {};
    }
    auto geometry =
        waitReply(connection_, xcb_get_geometry_reply, xcb_get_geometry(connection_, root_));
    if (!geometry) {
        return {};
    }
    return QRect(0, 0, geometry->width, geometry->height);
}

xcb_window_t X11ScreenSource::activeWindowProperty() {
    if (activeWindowAtom_ == XCB_ATOM_NONE) {
        static constexpr char kName[] = "_NET_ACTIVE_WINDOW";
        // Only if it exists: without a window manager that ever set it there is no active window,
        // and the atom is looked up again next time.
        auto atom = waitReply(connection_, xcb_intern_atom_reply,
                              xcb_intern_atom(connection_, 1, sizeof kName - 1, kName));
        if (!atom || atom->atom == XCB_ATOM_NONE) {
            return XCB_WINDOW_NONE;
        }
        activeWindowAtom_ = atom->atom;
    }
    auto property = waitReply(
        connection_, xcb_get_property_reply,
        xcb_get_property(connection_, 0, root_, activeWindowAtom_, XCB_ATOM_WINDOW, 0, 1));
    if (!property || property->type != XCB_ATOM_WINDOW || property->format != 32 ||
        xcb_get_property_value_length(property.get()) < 4) {
        return XCB_WINDOW_NONE;
    }
    xcb_window_t window;
    std::memcpy(&window, xcb_get_property_value(property.get()), sizeof window);
    return window;
}

std::vector<quint32> X11ScreenSource::rootCardinals(const char* name) {
    auto atom = waitReply(connection_, xcb_intern_atom_reply,
                          xcb_intern_atom(connection_, 1, std::strlen(name), name));
    if (root_ == XCB_WINDOW_NONE || !atom || atom->atom == XCB_ATOM_NONE) {
        return {};
    }
    constexpr uint32_t kMaxWords = 4096;
    auto property = waitReply(
        connection_, xcb_get_property_reply,
        xcb_get_property(connection_, 0, root_, atom->atom, XCB_ATOM_CARDINAL, 0, kMaxWords));
    if (!property || property->type != XCB_ATOM_CARDINAL || property->format != 32) {
        return {};
    }
    std::vector<quint32> values(
        static_cast<std::size_t>(xcb_get_property_value_length(property.get())) / 4);
    std::memcpy(values.data(), xcb_get_property_value(property.get()), values.size() * 4);
    return values;
}

int X11ScreenSource::taskbarHeight() {
    // Four values (x, y, width, height) for each desktop.
    const std::vector<quint32> areas = rootCardinals("_NET_WORKAREA");
    const std::vector<quint32> current = rootCardinals("_NET_CURRENT_DESKTOP");
    std::size_t desktop = current.empty() ? 0 : current.front();
    if (desktop >= areas.size() / 4) {
        desktop = 0;
    }
    const QRect screen = virtualScreen();
    if (areas.size() < 4 || screen.isEmpty() || areas[desktop * 4 + 2] == 0 ||
        areas[desktop * 4 + 3] == 0) {
        return 0;
    }
    const qint64 workBottom = qint64(areas[desktop * 4 + 1]) + areas[desktop * 4 + 3];
    return workBottom < screen.height() ? static_cast<int>(screen.height() - workBottom) : 0;
}

xcb_window_t X11ScreenSource::focusWindow() {
    auto focus =
        waitReply(connection_, xcb_get_input_focus_reply, xcb_get_input_focus(connection_));
    // None and PointerRoot name no window.
    if (!focus || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus->focus == XCB_NONE) {
        return XCB_WINDOW_NONE;
    }
    return focus->focus;
}

WindowId X11ScreenSource::topLevelOf(WindowId window) {
    if (root_ == XCB_WINDOW_NONE || window == XCB_WINDOW_NONE) {
        return 0;
    }
    if (window == root_) {
        return window;
    }
    for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
        auto tree =
            waitReply(connection_, xcb_query_tree_reply, xcb_query_tree(connection_, window));
        if (!tree || tree->root != root_) {
            return 0;
        }
        if (tree->parent == root_) {
            return window;
        }
        if (tree->parent == XCB_WINDOW_NONE) {
            return 0;
        }
        window = tree->parent;
    }
    return 0;
}

bool X11ScreenSource::isShown(xcb_window_t topLevel) {
    auto attributes = waitReply(connection_, xcb_get_window_attributes_reply,
                                xcb_get_window_attributes(connection_, topLevel));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
           windowRect(topLevel, false).intersects(virtualScreen());
}

WindowId X11ScreenSource::foregroundWindow() {
    if (root_ == XCB_WINDOW_NONE) {
        return kRootWindow;
    }
    for (const xcb_window_t candidate : {activeWindowProperty(), focusWindow()}) {
        if (candidate == XCB_WINDOW_NONE || candidate == root_) {
            continue;
        }
        // A stale _NET_ACTIVE_WINDOW (the window went away or was minimised) falls through to
        // the focus. A window that cannot be seen is not what the user works in: window
        // managers park the focus on a helper window off the screen when no client is left.
        const WindowId topLevel = topLevelOf(candidate);
        if (topLevel == root_) {
            return kRootWindow;
        }
        if (topLevel != 0 && isShown(topLevel)) {
            return topLevel;
        }
    }
    return kRootWindow;
}

QRect X11ScreenSource::foregroundWindowRect() {
    const QRect rect = windowRect(foregroundWindow(), false);
    return rect.isNull() ? virtualScreen() : rect;
}

QRect X11ScreenSource::windowRect(WindowId window, bool clientArea) {
    if (window == kRootWindow || window == root_) {
        return virtualScreen();
    }
    if (root_ == XCB_WINDOW_NONE) {
        return {};
    }
    if (clientArea) {
        auto geometry =
            waitReply(connection_, xcb_get_geometry_reply, xcb_get_geometry(connection_, window));
        auto origin = waitReply(connection_, xcb_translate_coordinates_reply,
                                xcb_translate_coordinates(connection_, window, root_, 0, 0));
        if (!geometry || !origin || geometry->root != root_) {
            return {};
        }
        return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    }
    const WindowId topLevel = topLevelOf(window);
    if (topLevel == 0) {
        return {};
    }
    auto geometry =
        waitReply(connection_, xcb_get_geometry_reply, xcb_get_geometry(connection_, topLevel));
    if (!geometry) {
        return {};
    }
    // The parent is the root, so x and y are the outer corner (outside the border) on the screen;
    // width and height are inside the border.
    const int border = geometry->border_width;
    return QRect(geometry->x, geometry->y, geometry->width + 2 * border,
                 geometry->height + 2 * border);
}

X11PixelLayout X11ScreenSource::pixelLayout() {
    X11PixelLayout layout = layout_;
    if (!layout.colormapped) {
        return layout;
    }
    // The colours shown are those of the installed colormap (the hardware palette); the default
    // colormap when the server names none.
    xcb_colormap_t colormap = defaultColormap_;
    if (auto installed = waitReply(connection_, xcb_list_installed_colormaps_reply,
                                   xcb_list_installed_colormaps(connection_, root_));
        installed && xcb_list_installed_colormaps_cmaps_length(installed.get()) > 0) {
        colormap = xcb_list_installed_colormaps_cmaps(installed.get())[0];
    }
    std::vector<uint32_t> pixels(colormapEntries_);
    for (int i = 0; i < colormapEntries_; ++i) {
        pixels[i] = uint32_t(i);
    }
    layout.colormap = QList<QRgb>(colormapEntries_, qRgb(0, 0, 0));
    auto colours =
        waitReply(connection_, xcb_query_colors_reply,
                  xcb_query_colors(connection_, colormap, uint32_t(pixels.size()), pixels.data()));
    if (colours) {
        const xcb_rgb_t* rgb = xcb_query_colors_colors(colours.get());
        const int n =
            std::min<int>(xcb_query_colors_colors_length(colours.get()), colormapEntries_);
        for (int i = 0; i < n; ++i) {
            layout.colormap[i] = qRgb(rgb[i].red >> 8, rgb[i].green >> 8, rgb[i].blue >> 8);
        }
    }
    return layout;
}

XcbReply<xcb_get_image_reply_t> X11ScreenSource::getImage(xcb_drawable_t drawable,
                                                          const QRect& rect, int& error) {
    xcb_generic_error_t* e = nullptr;
    XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, int16_t(rect.x()),
                      int16_t(rect.y()), uint16_t(rect.width()), uint16_t(rect.height()), ~0u),
        &e));
    error = reply ? 0 : e != nullptr ? e->error_code : -1;
    std::free(e);
    return reply;
}

ScreenReadError X11ScreenSource::readError(int error) {
    // A rootless X server on a Wayland desktop (XWayland) has no pixels of the screen to give:
    // it answers BadMatch for the root.
    if (error == XCB_MATCH) {
        return ScreenReadError(
            QStringLiteral("the X server does not give out the pixels of the screen (X error "
                           "BadMatch). On a Wayland desktop, capture through the desktop portal "
                           "(PICTAVO_SCREEN_SOURCE=portal)."));
    }
    return ScreenReadError(
        error > 0
            ? QStringLiteral("the X server refused to give its pixels (X error %1).").arg(error)
            : QStringLiteral("the connection to the X server is broken."));
}

QImage X11ScreenSource::fetch(const X11PixelLayout& layout, xcb_drawable_t drawable,
                              const QRect& rect) {
    lastGrabWasShared_ = false;
    const auto wrongDepth = [&layout](int depth) {
        return ScreenReadError(
            QStringLiteral("the X server sent pixels of depth %1 where the screen has depth %2.")
                .arg(depth)
                .arg(layout.depth));
    };
    if (shared_) {
        const qsizetype bytes = qsizetype(layout.bytesPerLine(rect.width())) * rect.height();
        if (const auto shared = shared_->read(drawable, rect, bytes)) {
            if (shared->depth != layout.depth) {
                throw wrongDepth(shared->depth);
            }
            lastGrabWasShared_ = true;
            // The segment is lent to the picture: the next grab takes another while it lives.
            ZPixmapBuffer buffer;
            buffer.owner = shared->owner;
            buffer.bits = shared->bits;
            buffer.length = shared->length;
            return imageFromZPixmap(layout, std::move(buffer), rect.size());
        }
    }
    int error = 0;
    auto reply = getImage(drawable, rect, error);
    if (!reply) {
        throw readError(error);
    }
    if (reply->depth != layout.depth) {
        throw wrongDepth(reply->depth);
    }
    ZPixmapBuffer buffer;
    buffer.bits = xcb_get_image_data(reply.get());
    buffer.length = xcb_get_image_data_length(reply.get());
    buffer.owner.reset(reply.release(), std::free);
    return imageFromZPixmap(layout, std::move(buffer), rect.size());
}

QImage X11ScreenSource::grab(const QRect& rect) {
    if (rect.isEmpty()) {
        return {};
    }
    // Where the server cannot give the root's pixels, shared memory still answers, with black:
    // one plain read of a pixel tells, once.
    if (rootReadError_ < 0) {
        getImage(root_, QRect(0, 0, 1, 1), rootReadError_);
    }
    if (rootReadError_ != 0) {
        throw readError(rootReadError_);
    }
    const X11PixelLayout layout = pixelLayout();
    const QRect inside = rect & virtualScreen();
    if (inside == rect) {
        return fetch(layout, root_, rect);
    }
    // X answers BadMatch for a rectangle that leaves the root: read the part on the screen and
    // place it on black.
    QImage image = layout.blackImage(rect.size());
    if (inside.isEmpty() || image.isNull()) {
        return image;
    }
    const QImage part = fetch(layout, root_, inside);
    const int bytesPerPixel = image.depth() / 8;
    const QPoint at = inside.topLeft() - rect.topLeft();
    for (int y = 0; y < part.height(); ++y) {
        std::memcpy(image.scanLine(at.y() + y) + std::ptrdiff_t(at.x()) * bytesPerPixel,
                    part.constScanLine(y), size_t(part.width()) * bytesPerPixel);
    }
    return image;
}

QImage X11ScreenSource::grabWindowContents(WindowId window) {
    auto geometry =
        waitReply(connection_, xcb_get_geometry_reply, xcb_get_geometry(connection_, window));
    if (!geometry || geometry->root != root_) {
        throw ScreenReadError(QStringLiteral("the window 0x%1 is gone.").arg(window, 0, 16));
    }
    if (geometry->depth != layout_.depth) {
        throw ScreenReadError(QStringLiteral("the window 0x%1 has depth %2, not the screen's %3.")
                                  .arg(window, 0, 16)
                                  .arg(geometry->depth)
                                  .arg(layout_.depth));
    }
    return fetch(pixelLayout(), window, QRect(0, 0, geometry->width, geometry->height));
}

std::unique_ptr<X11ScreenSource> X11ScreenSource::onQtConnection() {
#if QT_CONFIG(xcb)
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) {
        return nullptr;
    }
    // Qt connects to the screen that $DISPLAY names, as xcb_connect does.
    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0) {
        screenNumber = 0;
    }
    std::free(host);
    return std::make_unique<X11ScreenSource>(x11->connection(), screenNumber);
#else
    return nullptr;
#endif
}

std::unique_ptr<ScreenSource> makeX11ScreenSource() {
    return X11ScreenSource::onQtConnection();
}

}  // namespace pictavo
