#pragma once

#include "platform/VideoDevices.h"

namespace pictavo::test {

// A system with the given camera (none by default) that counts the probes.
class FakeVideoDevices final : public VideoDevices {
public:
    std::optional<QString> firstCaptureCard() override {
        ++probes;
        return card;
    }
    std::optional<QString> card;
    int probes = 0;
};

}  // namespace pictavo::test
