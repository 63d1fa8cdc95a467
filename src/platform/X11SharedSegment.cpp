#include "platform/X11SharedSegment.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/shm.h>

#include "platform/UniqueFd.h"
#include "platform/XcbReply.h"

namespace pictavo {

X11SharedSegment::Mapping::~Mapping() {
    ::munmap(memory, size_t(size));
}

X11SharedSegment::~X11SharedSegment() {
    release();
}

bool X11SharedSegment::available() {
    if (state_ == State::Unknown) {
        state_ = probe() ? State::Usable : State::Unusable;
    }
    return state_ == State::Usable;
}

bool X11SharedSegment::probe() {
    if (connection_ == nullptr || xcb_connection_has_error(connection_)) {
        return false;
    }
    // A file descriptor crosses only a Unix socket: a server reached any other way is on
    // another machine, or behind a proxy, and cannot map this process's memory.
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(xcb_get_file_descriptor(connection_), reinterpret_cast<sockaddr*>(&address),
                      &length) != 0 ||
        address.ss_family != AF_UNIX) {
        return false;
    }
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_shm_id);
    if (extension == nullptr || !extension->present) {
        return false;
    }
    const auto version =
        waitReply(connection_, xcb_shm_query_version_reply, xcb_shm_query_version(connection_));
    return version && (version->major_version > 1 ||
                       (version->major_version == 1 && version->minor_version >= 2));
}

bool X11SharedSegment::attach(qsizetype bytes) {
    release();
    const long page = ::sysconf(_SC_PAGESIZE);
    const qsizetype size = (bytes + page - 1) / page * page;
    UniqueFd fd(::memfd_create("pictavo-screen", MFD_CLOEXEC));
    if (!fd.isOpen()) {
        return false;
    }
    void* memory = MAP_FAILED;
    if (::ftruncate(fd.get(), off_t(size)) == 0) {
        memory = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
    }
    if (memory == MAP_FAILED) {
        return false;
    }
    // xcb closes the descriptor once it is sent; the mapping stays.
    const quint32 segment = xcb_generate_id(connection_);
    if (xcb_generic_error_t* error = xcb_request_check(
            connection_, xcb_shm_attach_fd_checked(connection_, segment, fd.release(), 0))) {
        std::free(error);
        ::munmap(memory, size_t(size));
        return false;
    }
    segment_ = segment;
    mapping_ = std::make_shared<Mapping>();
    mapping_->memory = static_cast<uchar*>(memory);
    mapping_->size = size;
    size_ = size;
    return true;
}

void X11SharedSegment::release() {
    if (!mapping_) {
        return;
    }
    if (!xcb_connection_has_error(connection_)) {
        xcb_shm_detach(connection_, segment_);
        // Nothing else may flush a connection that is about to go quiet.
        xcb_flush(connection_);
    }
    // A picture that still holds the mapping keeps it until its own end.
    mapping_.reset();
    size_ = 0;
    segment_ = 0;
}

std::optional<X11SharedSegment::Image> X11SharedSegment::read(xcb_drawable_t drawable,
                                                              const QRect& rect, qsizetype bytes) {
    if (!available()) {
        return std::nullopt;
    }
    const bool lent = mapping_ && mapping_.use_count() > 1;
    if ((bytes > size_ || lent) && !attach(bytes)) {
        state_ = State::Unusable;
        return std::nullopt;
    }
    const auto reply =
        waitReply(connection_, xcb_shm_get_image_reply,
                  xcb_shm_get_image(connection_, drawable, int16_t(rect.x()), int16_t(rect.y()),
                                    uint16_t(rect.width()), uint16_t(rect.height()), ~0u,
                                    XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0));
    if (!reply || qsizetype(reply->size) > size_) {
        return std::nullopt;
    }
    return Image{mapping_, mapping_->memory, qsizetype(reply->size), reply->depth};
}

}  // namespace pictavo
