#pragma once

#include <xcb/xcb.h>

#include <memory>

namespace pictavo {

// Ends a connection that its holder owns; one borrowed from another owner (Qt's) is left alone.
struct XcbDisconnect {
    bool owned = true;
    void operator()(xcb_connection_t* c) const {
        if (owned) {
            xcb_disconnect(c);
        }
    }
};
// An xcb connection: owned, as xcb_connect gives it (even a failed one must be disconnected), or
// borrowed (borrowedConnection).
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

inline XcbConnection borrowedConnection(xcb_connection_t* c) {
    return XcbConnection(c, XcbDisconnect{false});
}

}  // namespace pictavo
