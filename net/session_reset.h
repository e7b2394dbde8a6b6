// The state of one session, from a login to its end, and its clearing.
#pragma once

// Forgets everything the session's server told or was asked: the latest
// player list and status reply, the players and bans views, the pending
// action with its data, the requests waiting for replies and every
// information value; an open Kick, Ban or Set MaxPing window closes without
// sending anything. Called at every login and every disconnect, so nothing
// of one server is ever shown as another's, or aimed at on another.
void ResetSessionState();
