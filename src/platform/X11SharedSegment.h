#pragma once

#include <xcb/xcb.h>

#include <QRect>
#include <QtGlobal>
#include <memory>
#include <optional>

namespace pictavo {

// A memory segment shared with the X server (MIT-SHM), which the server writes ZPixmap images
// into: a screen read then costs one copy on the server's side and none through the socket.
// The segment is made on the first read and kept for the next ones. It is replaced when a read
// does not fit, and when the picture of the last read still holds it: each read's bytes are
// lent to its picture and never written again while it lives, so the picture needs no copy.
//
// It is handed to the server as a file descriptor (MIT-SHM 1.2), which only a server on this
// machine, reached through a Unix socket, can take. Anywhere else (a remote display, an older
// server, a server that refuses the segment) available() is false and the caller reads the
// plain way. The connection is not owned and must outlive the segment.
class X11SharedSegment {
public:
    explicit X11SharedSegment(xcb_connection_t* connection) : connection_(connection) {}
    ~X11SharedSegment();
    X11SharedSegment(const X11SharedSegment&) = delete;
    X11SharedSegment& operator=(const X11SharedSegment&) = delete;

    // Whether the server can write into this process's memory; asked of the server once.
    bool available();

    // The bytes of one read, in the segment, which `owner` keeps mapped. They are the holder's to
    // change: no later read writes into them while a copy of `owner` lives.
    struct Image {
        std::shared_ptr<void> owner;
        uchar* bits = nullptr;
        qsizetype length = 0;
        quint8 depth = 0;
    };
    // Reads `rect` (inside `drawable`) as a ZPixmap of all planes into the segment, which is
    // replaced first when smaller than `bytes` or still held by an earlier read's owner. Empty when
    // the server refused: a segment that could not be attached makes available() false from then
    // on.
    std::optional<Image> read(xcb_drawable_t drawable, const QRect& rect, qsizetype bytes);

    // The segment's size in bytes; 0 before the first read.
    qsizetype size() const { return size_; }

private:
    bool probe();
    bool attach(qsizetype bytes);
    void release();

    // This process's mapping of a segment; unmapped when the last holder lets go, which may be
    // after the server has forgotten the segment and after this object's end.
    struct Mapping {
        uchar* memory = nullptr;
        qsizetype size = 0;
        Mapping() = default;
        Mapping(const Mapping&) = delete;
        Mapping& operator=(const Mapping&) = delete;
        ~Mapping();
    };

    enum class State { Unknown, Usable, Unusable };
    xcb_connection_t* connection_;
    State state_ = State::Unknown;
    quint32 segment_ = 0;
    std::shared_ptr<Mapping> mapping_;
    qsizetype size_ = 0;
};

}  // namespace pictavo
