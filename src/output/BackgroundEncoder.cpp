#include "output/BackgroundEncoder.h"

#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"

namespace pictavo {

namespace {

// FreeImage's memory stream, closed with the scope.
struct MemoryStream {
    FreeImageLibrary& library;
    FIMEMORY* memory;
    ~MemoryStream() {
        if (memory) {
            library.CloseMemory(memory);
        }
    }
};

}  // namespace

BackgroundEncoder::BackgroundEncoder(FreeImageLibrary& library) : library_(library) {
    library_.Initialise(FALSE);
    worker_ = std::thread([this] { work(); });
}

BackgroundEncoder::~BackgroundEncoder() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        current_ = 0;
    }
    wake_.notify_all();
    worker_.join();
    library_.DeInitialise();
}

void BackgroundEncoder::start(const QImage& picture, EncodeFormat format) {
    {
        std::lock_guard lock(mutex_);
        current_ = nextId_++;
        currentFormat_ = format;
        waiting_ = Job{current_, picture, format};
    }
    wake_.notify_all();
}

void BackgroundEncoder::cancel() {
    std::lock_guard lock(mutex_);
    current_ = 0;
    waiting_.reset();
}

bool BackgroundEncoder::idle() {
    std::lock_guard lock(mutex_);
    return current_ == 0 || endedId_ == current_;
}

std::optional<QByteArray> BackgroundEncoder::result(EncodeFormat format) {
    std::unique_lock lock(mutex_);
    if (current_ == 0 || !(currentFormat_ == format)) {
        return std::nullopt;
    }
    ended_.wait(lock, [&] { return endedId_ == current_; });
    return bytes_;
}

void BackgroundEncoder::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || waiting_.has_value(); });
        if (stopping_) {
            return;
        }
        const Job job = std::move(*waiting_);
        waiting_.reset();
        lock.unlock();
        std::optional<QByteArray> bytes;
        try {
            bytes = encode(job);
        } catch (...) {
            // Nothing may leave this thread. A run that failed in any way has no bytes: the
            // accept then encodes on the user-interface thread, which reports what fails there.
        }
        lock.lock();
        if (job.id == current_) {
            bytes_ = std::move(bytes);
            endedId_ = job.id;
            ended_.notify_all();
        }
    }
}

std::optional<QByteArray> BackgroundEncoder::encode(const Job& job) {
    const auto stale = [&] {
        std::lock_guard lock(mutex_);
        return job.id != current_;
    };
    QString error;
    DibPtr converted(nullptr, DibDeleter{&library_});
    if (!ImageEncoder::convert(library_, &job.picture, converted, 24, error) || stale()) {
        return std::nullopt;
    }
    DibPtr quantised(nullptr, DibDeleter{&library_});
    FIBITMAP* toSave = converted.get();
    if (job.format.quantise) {
        quantised.reset(library_.ColorQuantize(converted.get(), FIQ_WUQUANT));
        toSave = quantised.get();
    }
    if (!toSave || stale()) {
        return std::nullopt;
    }
    MemoryStream stream{library_, library_.OpenMemory(nullptr, 0)};
    if (!stream.memory ||
        library_.SaveToMemory(job.format.fif, toSave, stream.memory, job.format.flags) != 1) {
        return std::nullopt;
    }
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!library_.AcquireMemory(stream.memory, &data, &size)) {
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

}  // namespace pictavo
