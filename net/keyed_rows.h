// The rows of a list view that stand for identities, not positions.
//
// A list view refilled from scratch on every reply loses the admin's
// selection, focus and scroll position several times a minute, and an action
// aimed at "row 7" hits whoever is row 7 by then. So each row carries a key
// (who it is) and a number the view keeps with the row (its id); a new list is
// compared with the rows shown and only the difference goes to the view:
// rows whose key is gone are removed, rows whose cells changed are rewritten
// (and only those cells), new keys are inserted. A list equal to what is
// shown sends nothing at all.
//
// Pure: the view is reached through a RowSink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

template <size_t N>
struct RowSink {
  using Cells = std::array<std::string, N>;
  virtual ~RowSink() = default;
  // Around a batch of the calls below; only when there is at least one.
  virtual void Begin() = 0;
  virtual void End() = 0;
  // `at`: the row's place in the list as given, for a view that shows the
  // list's own order.
  virtual void Insert(int32_t id, const Cells& cells, int at) = 0;
  // `changed`: bit c set when cell c differs from what the row showed.
  virtual void Update(int32_t id, const Cells& cells, uint32_t changed) = 0;
  virtual void Remove(int32_t id) = 0;
};

template <size_t N>
class KeyedRows {
 public:
  using Cells = std::array<std::string, N>;
  struct Row {
    std::string key;
    Cells cells;
    int32_t id = 0;
  };

  // Makes the rows those of `rows` (key and cells, in list order). A key
  // given twice (two records the server lists alike) gets a row per
  // occurrence. Returns the number of rows inserted or rewritten.
  int Apply(std::vector<std::pair<std::string, Cells>> rows, RowSink<N>& sink) {
    Batch batch(sink);
    std::vector<Row> next;
    next.reserve(rows.size());
    std::unordered_map<std::string, size_t> nextIndex;
    nextIndex.reserve(rows.size());
    std::vector<bool> kept(rows_.size(), false);
    for (auto& [given, cells] : rows) {
      Row row{std::move(given), std::move(cells), 0};
      // A key given again (two records alike) is told apart by its count.
      for (int n = 1; nextIndex.count(row.key) != 0; ++n) {
        row.key.resize(row.key.find('\x01') == std::string::npos ? row.key.size() : row.key.find('\x01'));
        row.key += "\x01" + std::to_string(n);
      }
      if (const auto found = index_.find(row.key); found != index_.end()) {
        row.id = rows_[found->second].id;
        kept[found->second] = true;
      }
      nextIndex.emplace(row.key, next.size());
      next.push_back(std::move(row));
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (!kept[i]) batch.Get().Remove(rows_[i].id);
    }
    int touched = 0;
    for (size_t i = 0; i < next.size(); ++i) {
      Row& row = next[i];
      if (row.id != 0) {
        const uint32_t changed = Changed(rows_[index_.at(row.key)].cells, row.cells);
        if (changed == 0) continue;
        batch.Get().Update(row.id, row.cells, changed);
      } else {
        row.id = ++lastId_;
        batch.Get().Insert(row.id, row.cells, static_cast<int>(i));
      }
      ++touched;
    }
    rows_ = std::move(next);
    index_ = std::move(nextIndex);
    return touched;
  }

  // One row by its key: added at the end when new, else rewritten where it
  // changed. For a single join or a change the server tells of by itself.
  void Put(const std::string& key, const Cells& cells, RowSink<N>& sink) {
    Batch batch(sink);
    if (const auto found = index_.find(key); found != index_.end()) {
      Row& row = rows_[found->second];
      const uint32_t changed = Changed(row.cells, cells);
      if (changed == 0) return;
      row.cells = cells;
      batch.Get().Update(row.id, row.cells, changed);
      return;
    }
    rows_.push_back(Row{key, cells, ++lastId_});
    index_[key] = rows_.size() - 1;
    batch.Get().Insert(rows_.back().id, cells, static_cast<int>(rows_.size() - 1));
  }

  // One row by its key; false when there is none.
  bool Erase(const std::string& key, RowSink<N>& sink) {
    const auto found = index_.find(key);
    if (found == index_.end()) return false;
    Batch batch(sink);
    batch.Get().Remove(rows_[found->second].id);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(found->second));
    Reindex();
    return true;
  }

  // The row of `from` answers to `to` from now on (a joined player's GUID
  // became known): it keeps its id, so the view keeps it selected. False
  // when `from` has no row or `to` has one already.
  bool Rekey(const std::string& from, const std::string& to) {
    const auto found = index_.find(from);
    if (found == index_.end() || index_.count(to) != 0) return false;
    const size_t at = found->second;
    index_.erase(found);
    rows_[at].key = to;
    index_[to] = at;
    return true;
  }

  void Clear(RowSink<N>& sink) { Apply({}, sink); }

  // The row the view shows under `id`; null when there is none.
  const Row* Find(int32_t id) const {
    for (const Row& row : rows_) {
      if (row.id == id) return &row;
    }
    return nullptr;
  }
  const std::vector<Row>& rows() const { return rows_; }

 private:
  // Begin before the first call, End after the last; nothing without a call.
  class Batch {
   public:
    explicit Batch(RowSink<N>& sink) : sink_(sink) {}
    ~Batch() {
      if (begun_) sink_.End();
    }
    RowSink<N>& Get() {
      if (!begun_) sink_.Begin();
      begun_ = true;
      return sink_;
    }

   private:
    RowSink<N>& sink_;
    bool begun_ = false;
  };

  static uint32_t Changed(const Cells& a, const Cells& b) {
    uint32_t mask = 0;
    for (size_t c = 0; c < N; ++c) {
      if (a[c] != b[c]) mask |= 1u << c;
    }
    return mask;
  }

  void Reindex() {
    index_.clear();
    for (size_t i = 0; i < rows_.size(); ++i) index_[rows_[i].key] = i;
  }

  std::vector<Row> rows_;
  std::unordered_map<std::string, size_t> index_;
  int32_t lastId_ = 0;  // ids are never reused, so a stale id names no row
};
