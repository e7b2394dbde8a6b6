// The network tick while a modal loop holds the thread.
//
// The event loop runs the tick only when it finds no window event, but a
// menu, a pop-up menu, a message box, the Set MaxPing box or a window being
// moved runs a message loop of its own until it is done. Without a tick
// meanwhile no server message is acknowledged and no keep-alive goes out,
// and a server drops a client that stays silent that long. While any such
// loop runs, a thread timer (which every message loop dispatches) runs the
// tick instead.
#pragma once

// Marks the start and the end of a modal loop; calls nest and must pair.
void EnterModalLoop();
void LeaveModalLoop();

// Whether a modal loop is running (for tests).
bool InModalLoop();

// A modal loop that only shows itself by the WM_ENTERIDLE it sends its owner
// (a dialog box: the colour, font and file dialogs of the information view,
// or a message box not opened through the dialogs' helper). From then on the
// tick runs from the timer, until the event loop has the thread again.
void ModalLoopIdle();
// Called by the event loop on each pass: no modal loop holds the thread now.
void EventLoopHasTheThread();

// The messages by which a window learns that a modal loop of its own starts
// or ends (menus, moving and sizing) or that a dialog box it owns idles.
void FollowModalLoop(unsigned message);

class ModalLoopScope {
 public:
  ModalLoopScope() { EnterModalLoop(); }
  ~ModalLoopScope() { LeaveModalLoop(); }
  ModalLoopScope(const ModalLoopScope&) = delete;
  ModalLoopScope& operator=(const ModalLoopScope&) = delete;
};
