// The history hooks; see history_feed.h.
#include "net/history_feed.h"

#include "net/session.h"

HistoryHooks HistoryFeed;

std::string HistoryServerName() { return Session.host + ":" + std::to_string(Session.port & 0xFFFF); }
