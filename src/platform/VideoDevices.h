#pragma once

#include <QString>
#include <optional>

namespace pictavo {

// The video devices of the system, as far as the webcam probe asks about them.
class VideoDevices {
public:
    virtual ~VideoDevices() = default;
    // The card name of the first device that can capture video; nullopt when there is none.
    // Whatever is opened to find out is closed again before this returns.
    virtual std::optional<QString> firstCaptureCard() = 0;
};

// V4L2: the character devices "video<n>" of a device folder in the order of n, each opened,
// asked VIDIOC_QUERYCAP and closed; the first with the video-capture capability answers.
class V4L2VideoDevices final : public VideoDevices {
public:
    explicit V4L2VideoDevices(QString deviceFolder = QStringLiteral("/dev"))
        : folder_(std::move(deviceFolder)) {}
    std::optional<QString> firstCaptureCard() override;

private:
    QString folder_;
};

}  // namespace pictavo
