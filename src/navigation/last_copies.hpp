// Keeps the last copy of each platform page the desk looks at, so the error
// screen can offer it while the server is down. A page is saved a moment
// after its load ends and again while it stays on show and changes; the
// copies and their index live in the LastCopyStore, and all of them go when
// the sign-in page shows (after signing out), when the server address
// changes, or when the desk asks.
#pragma once

#include "connection/server_address.hpp"
#include "navigation/last_copy.hpp"
#include "platform/last_copy_store.hpp"
#include "platform/lifetime.hpp"
#include "platform/main_queue.hpp"
#include "platform/web_view.hpp"

#include <optional>
#include <string>

namespace velmora {

class LastCopies {
public:
  // Reads the index the last run left, and removes archives it does not
  // list (a write cut short by a crash) and entries whose archive is gone.
  LastCopies(MainQueue& queue, LastCopyStore& store, WebView& view, ServerAddressSetting& server);
  ~LastCopies();
  LastCopies(const LastCopies&) = delete;
  LastCopies& operator=(const LastCopies&) = delete;

  // A main-frame load started: a save waiting for the old page is dropped.
  void loadStarted();
  // A main-frame load finished: a page worth keeping is saved shortly; the
  // sign-in page makes every copy go.
  void pageFinished();

  // The copies as they are now, of the current server only.
  [[nodiscard]] const LastCopyIndex& index();
  // The copy the error screen offers for a failed load of `failedPage`.
  [[nodiscard]] std::optional<LastCopy> offer(const std::optional<Url>& failedPage);
  // The copy a copy address stands for; none when none is kept.
  [[nodiscard]] std::optional<LastCopy> copyAt(const std::optional<Url>& address);
  // "14:02", or "3 Dec 14:02" for a copy of another day, in local time.
  [[nodiscard]] static std::string timeLabel(const LastCopy& copy);

  // Removes every copy, including any being written.
  void forgetAll();

private:
  void scheduleSave(std::chrono::milliseconds delay);
  void save();
  void archived(const std::string& path, const std::string& address, std::string archive);
  void keep(LastCopy copy);
  void writeIndex();
  // Forgets the copies of another server address.
  void checkServer();

  MainQueue& queue_;
  LastCopyStore& store_;
  WebView& view_;
  ServerAddressSetting& server_;
  LastCopyIndex index_;
  std::optional<DelayedTaskId> nextSave_;
  // Whether a save is under way, so a slow one is never overtaken.
  bool saving_ = false;
  // Counts forgetAll calls: a write that began before one is undone when
  // it ends.
  int generation_ = 0;
  Lifetime lifetime_;
};

} // namespace velmora
