// The event loop: one thread that sleeps until a window event, a datagram or
// the next deadline, and on each wake gives the protocol client its tick and
// handles a window event.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// One network tick, the status bar's update, then one window event: the open
// dialog's keyboard navigation, the F5 accelerator, dispatch and the
// re-layout check. With no event queued, sleeps until there is one, a
// datagram arrives or a deadline comes, but at most `longestWaitMs`.
// Returns false once the main window asked to quit (or WM_QUIT arrived).
bool RunOneEventLoopPass(uint32_t longestWaitMs);

// Runs passes until the user quits.
void RunEventLoop();
