// The history's own thread. The window thread queues player lists, events,
// actions and notes, and asks for searches; this thread opens the database
// (its check can take a moment on a large file), writes each item in its own
// transaction and answers searches. The window never waits for the disk: a
// full queue drops the new item instead of blocking.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

#include "history/history.h"
#include "history/store_private.h"

namespace history {
namespace {

struct NoteItem {
  std::string guid, note;
};
using Item = std::variant<SeenList, GuidEvent, AdminAction, NoteItem>;

// A write that met a lock held beyond the busy timeout (another instance in
// a long transaction) is tried again this many times before it is dropped.
constexpr int kWriteAttempts = 3;

// Files found damaged while writing that are set aside in one run before the
// history goes off: damage that keeps coming back is the disk's or another
// program's doing, and new files would only fill the folder with broken ones.
constexpr int kMaxReplacements = 3;

std::string Format(const char* text, const std::string& arg) {
  const int n = std::snprintf(nullptr, 0, text, arg.c_str());
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, text, arg.c_str());
  return out;
}

}  // namespace

struct HistoryWriter {
  std::mutex mutex;
  std::condition_variable wakeWriter;   // work queued, or stop
  std::condition_variable flushed;      // the queue ran empty
  std::deque<Item> queue;
  std::optional<std::string> search;    // the latest search not yet started
  // Items ever queued and ever finished (written or dropped). A search waits
  // until the items queued before it are done, so that it shows the note the
  // admin has just saved; a list queued after it does not hold it up.
  uint64_t queued = 0, done = 0, searchAfter = 0;
  std::optional<SearchResult> result;   // the latest finished search
  std::optional<std::string> notice;
  HistoryState state = HistoryState::Starting;
  bool stopping = false;
  bool busy = false;                    // an item is being written
  uint64_t dropped = 0;
  std::function<void()> wake;
  std::string path;
  std::thread thread;
};

namespace {

bool Write(HistoryDb* db, const Item& item) {
  db->failure = SQLITE_OK;
  if (const auto* list = std::get_if<SeenList>(&item)) return RecordList(db, *list);
  if (const auto* event = std::get_if<GuidEvent>(&item)) return RecordGuid(db, *event);
  if (const auto* action = std::get_if<AdminAction>(&item)) return RecordAction(db, *action);
  const auto& note = std::get<NoteItem>(item);
  return SetNote(db, note.guid, note.note);
}

void Run(HistoryWriter* w) {
  OpenResult opened = OpenHistory(w->path);
  {
    std::lock_guard lock(w->mutex);
    if (opened.state == OpenState::Replaced)
      w->notice = Format(kHistoryReplacedText, opened.setAsidePath);
    else if (opened.state == OpenState::Failed)
      w->notice = Format(kHistoryOffText, opened.error);
    w->state = opened.db ? HistoryState::On : HistoryState::Off;
    if (!opened.db) {
      w->dropped += w->queue.size();
      w->done += w->queue.size();
      w->queue.clear();
    }
  }
  w->flushed.notify_all();
  if (w->notice && w->wake) w->wake();
  HistoryDb* db = opened.db;
  int replacements = 0;

  std::unique_lock lock(w->mutex);
  for (;;) {
    const auto searchDue = [w] { return w->search && w->done >= w->searchAfter; };
    w->wakeWriter.wait(lock, [&] { return w->stopping || searchDue() || !w->queue.empty(); });
    if (searchDue()) {
      std::string text = std::move(*w->search);
      w->search.reset();
      lock.unlock();
      SearchResult r{text, Search(db, text)};
      lock.lock();
      w->result = std::move(r);
      if (w->wake) {
        lock.unlock();
        w->wake();
        lock.lock();
      }
      continue;
    }
    if (w->queue.empty()) {
      if (w->stopping) break;
      continue;
    }
    Item item = std::move(w->queue.front());
    w->queue.pop_front();
    w->busy = true;
    lock.unlock();
    bool written = false;
    bool damaged = false;
    std::string damage;
    for (int attempt = 0; db && !written && !damaged && attempt < kWriteAttempts; ++attempt) {
      written = Write(db, item);
      damaged = !written && LastErrorIsDamage(db, &damage);
    }
    // A file damaged under us (a disk fault, another program writing into
    // it) is handled as at start-up: set aside, reported once, and a new one
    // started, which takes this item and the rest of the queue. The players
    // still waiting for their GUIDs move over with it.
    std::optional<std::string> notice;
    if (damaged) {
      auto pending = std::move(db->pending);
      CloseHistory(db);
      db = nullptr;
      if (replacements++ < kMaxReplacements) {
        OpenResult again = ReplaceHistory(w->path, damage);
        db = again.db;
        notice = db ? Format(kHistoryReplacedText, again.setAsidePath)
                    : Format(kHistoryOffText, again.error);
      } else {
        notice = Format(kHistoryOffText, damage);
      }
      if (db) {
        db->pending = std::move(pending);
        written = Write(db, item);
      }
    }
    lock.lock();
    w->busy = false;
    ++w->done;
    if (!written) ++w->dropped;
    if (notice) {
      w->notice = std::move(notice);
      if (!db) {
        w->state = HistoryState::Off;
        w->dropped += w->queue.size();
        w->done += w->queue.size();
        w->queue.clear();
      }
      if (w->wake) {
        lock.unlock();
        w->wake();
        lock.lock();
      }
    }
    if (w->queue.empty()) w->flushed.notify_all();
  }
  lock.unlock();
  CloseHistory(db);
}

bool Enqueue(HistoryWriter* w, Item item) {
  if (!w) return false;
  {
    std::lock_guard lock(w->mutex);
    if (w->state == HistoryState::Off || w->stopping) return false;
    if (w->queue.size() >= kWriterQueueCapacity) {
      ++w->dropped;
      return false;
    }
    w->queue.push_back(std::move(item));
    ++w->queued;
  }
  w->wakeWriter.notify_one();
  return true;
}

}  // namespace

HistoryWriter* StartHistory(const std::string& path, std::function<void()> wake) {
  auto* w = new HistoryWriter;
  w->path = path;
  w->wake = std::move(wake);
  w->thread = std::thread(Run, w);
  return w;
}

void StopHistory(HistoryWriter* w) {
  if (!w) return;
  {
    std::lock_guard lock(w->mutex);
    w->stopping = true;
    w->search.reset();
  }
  w->wakeWriter.notify_one();
  w->thread.join();
  delete w;
}

bool QueueList(HistoryWriter* w, SeenList list) { return Enqueue(w, std::move(list)); }
bool QueueGuid(HistoryWriter* w, GuidEvent event) { return Enqueue(w, std::move(event)); }
bool QueueAction(HistoryWriter* w, AdminAction action) { return Enqueue(w, std::move(action)); }
bool QueueNote(HistoryWriter* w, std::string guid, std::string note) {
  return Enqueue(w, NoteItem{std::move(guid), std::move(note)});
}

void QueueSearch(HistoryWriter* w, std::string text) {
  if (!w) return;
  {
    std::lock_guard lock(w->mutex);
    if (w->state == HistoryState::Off || w->stopping) return;
    w->search = std::move(text);
    w->searchAfter = w->queued;
  }
  w->wakeWriter.notify_one();
}

bool TakeSearchResult(HistoryWriter* w, SearchResult* out) {
  if (!w || !out) return false;
  std::lock_guard lock(w->mutex);
  if (!w->result) return false;
  *out = std::move(*w->result);
  w->result.reset();
  return true;
}

HistoryState GetHistoryState(HistoryWriter* w) {
  if (!w) return HistoryState::Off;
  std::lock_guard lock(w->mutex);
  return w->state;
}

bool TakeHistoryNotice(HistoryWriter* w, std::string* text) {
  if (!w || !text) return false;
  std::lock_guard lock(w->mutex);
  if (!w->notice) return false;
  *text = std::move(*w->notice);
  w->notice.reset();
  return true;
}

uint64_t DroppedCount(HistoryWriter* w) {
  if (!w) return 0;
  std::lock_guard lock(w->mutex);
  return w->dropped;
}

void FlushHistory(HistoryWriter* w) {
  if (!w) return;
  std::unique_lock lock(w->mutex);
  w->flushed.wait(lock, [w] {
    return w->state != HistoryState::Starting && w->queue.empty() && !w->busy;
  });
}

}  // namespace history
