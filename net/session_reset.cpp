// One place that ends a session's state; see session_reset.h.
#include "net/session_reset.h"

#include "net/bans.h"
#include "net/live_players.h"
#include "net/player_rows.h"
#include "net/players.h"
#include "net/session.h"
#include "net/shell.h"

void ResetSessionState() {
  // First, so that a Kick confirmed in the same instant finds no dialog to
  // come from and the action it may have set is dropped below.
  CloseSessionDialogs();
  PendingAction = Action::None;
  PendingActionData = ActionData{};
  Session.pendingRequests.clear();
  Session.replies.Clear();
  PlayerList.clear();
  ForgetLiveEvents();
  // Nothing owed to the last server; the login's own request is the first.
  PlayerRefresh.Start(NetNow());
  ForgetPlayerRows();
  ForgetBans();
  // A key the next server lacks must show empty, not the last server's value.
  for (const std::string& key : InfoRows.Keys()) {
    if (!key.empty()) SetInfoValue(key, "");
  }
}
