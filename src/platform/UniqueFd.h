#pragma once

#include <unistd.h>

#include <utility>

namespace pictavo {

// A file descriptor, owned: closed when the holder goes, on every path out of a scope. Move-only;
// -1 is none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { close(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            close();
            fd_ = other.release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Gives the descriptor up to a new owner; none is held afterwards.
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor now, for a caller that needs the result (a write's last error shows
    // at close): 0, or -1 with errno set. None is held afterwards either way.
    int close() {
        const int fd = release();
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int fd_ = -1;
};

}  // namespace pictavo
