#pragma once

#include <FreeImage.h>

#include <QByteArray>
#include <QImage>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace pictavo {

class FreeImageLibrary;

// How a file of one type is written: the library's format and save flags, and for GIF the
// quantisation to 256 colours first. The picture always goes through the 24-bit conversion
// of ImageEncoder, as a direct save does, so the bytes are those of a direct save.
struct EncodeFormat {
    FREE_IMAGE_FORMAT fif = FIF_UNKNOWN;
    int flags = 0;
    bool quantise = false;
    bool operator==(const EncodeFormat&) const = default;
};

// Encodes a picture into the bytes of its file on a worker thread of its own, so that the file
// can be ready by the time the user accepts a preview. One run at a time: starting a run makes
// any earlier one stale, and a stale run's bytes are never handed out (a run that has reached
// the library's save cannot be stopped; its result is dropped).
//
// The worker touches nothing but its copy of the picture and the library: no widget, no
// setting, no message. A run that throws ends without bytes, as a failed one does. The library is
// initialised on the constructing thread for the object's whole life, so that its reference count
// never changes on the worker.
class BackgroundEncoder {
public:
    explicit BackgroundEncoder(FreeImageLibrary& library);
    // Drops the current run and waits for the worker to end.
    ~BackgroundEncoder();
    BackgroundEncoder(const BackgroundEncoder&) = delete;
    BackgroundEncoder& operator=(const BackgroundEncoder&) = delete;

    // Encodes `picture` (a shared copy: the caller may go on changing its own) as `format`.
    void start(const QImage& picture, EncodeFormat format);
    // Makes the current run stale.
    void cancel();
    // The bytes of the current run when it was started for `format`, waiting for it to end if
    // it is still going. Empty when there is no current run, or it failed.
    std::optional<QByteArray> result(EncodeFormat format);
    // Whether the current run has ended (or there is none).
    bool idle();

private:
    struct Job {
        quint64 id = 0;
        QImage picture;
        EncodeFormat format;
    };
    void work();
    std::optional<QByteArray> encode(const Job& job);

    FreeImageLibrary& library_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable ended_;
    std::optional<Job> waiting_;
    // The run whose bytes count (0: none), its format, the last run that ended and its bytes.
    quint64 current_ = 0;
    EncodeFormat currentFormat_;
    quint64 endedId_ = 0;
    std::optional<QByteArray> bytes_;
    quint64 nextId_ = 1;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace pictavo
