#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <type_traits>

namespace pictavo {

struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
// An xcb reply, owned.
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// The reply of one request, owned; null on an X error (which is discarded rather than left to
// the event queue of whoever shares the connection).
template <typename ReplyFn, typename Cookie>
auto waitReply(xcb_connection_t* c, ReplyFn replyFn, Cookie cookie) {
    using Reply = std::remove_pointer_t<
        std::invoke_result_t<ReplyFn, xcb_connection_t*, Cookie, xcb_generic_error_t**>>;
    xcb_generic_error_t* error = nullptr;
    XcbReply<Reply> reply(replyFn(c, cookie, &error));
    std::free(error);
    return reply;
}

}  // namespace pictavo
