// The event loop: window events first, without waiting; when none is queued,
// 5 ms of sleep and one network tick.
#pragma once

// Takes and handles one window event: the open dialog's keyboard navigation,
// the F5 accelerator, dispatch, then the re-layout check. When no event is
// waiting, sleeps 5 ms and runs one NetworkTick instead. Returns false once
// the main window asked to quit (or WM_QUIT arrived).
bool RunOneEventLoopPass();

// Runs passes until the user quits.
void RunEventLoop();
