#include "platform/ScreenSource.h"

namespace pictavo {

// Replaced by the real X11 source.
std::unique_ptr<ScreenSource> makeX11ScreenSource() {
    return nullptr;
}

}  // namespace pictavo
