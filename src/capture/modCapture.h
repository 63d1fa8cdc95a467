#pragma once

#include <QImage>
#include <QList>

#include "platform/CapturePicture.h"
#include "platform/ScreenSource.h"

namespace pictavo {

// The capture primitives: pixels from the screen wrapped as a CapturePicture. They hide no
// windows and wait for nothing; whoever calls them has done that. They keep no state: every
// call asks the screen source afresh. A read that fails throws ScreenReadError.

// A picture that owns `bitmap` and, when `palette` holds exactly 256 colours and the bitmap is
// indexed (Indexed8), that palette as the bitmap's colour table. An indexed bitmap without such
// a palette is expanded to opaque RGB32 through its own colour table, so a picture carries a
// palette exactly when it was given one. Pixels always come out opaque.
CapturePicture PictureFromBitmap(QImage bitmap, const QList<QRgb>& palette = {});

// The whole virtual screen: every monitor, as one picture of the root window's size.
CapturePicture CaptureVirtualScreen(ScreenSource& screen);

// The window the user is working in, as the screen shows it, with its frame and title bar; the
// whole screen when no window is active.
CapturePicture CaptureForegroundWindow(ScreenSource& screen);

}  // namespace pictavo
