#pragma once

#include <chrono>

namespace pictavo {

// Waits for `duration` while the event loop keeps running: windows repaint, timers tick (a
// countdown window's among them) and posted events are delivered, as in a modal loop. The
// thread sleeps in the event dispatcher until a single-shot timer ends the wait, so a long
// wait costs no processor time; nothing polls the clock.
//
// A duration of zero or less returns at once without running the loop. Without a
// QCoreApplication there is no loop to run, and the thread simply sleeps.
//
// QCoreApplication::exit() ends every running event loop, this one too: the wait then ends
// early and returns false. True when the whole duration has passed.
bool waitWithEvents(std::chrono::milliseconds duration);

}  // namespace pictavo
