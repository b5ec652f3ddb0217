#include "navigation/last_copies.hpp"

#include <algorithm>
#include <ctime>

namespace velmora {
namespace {

std::int64_t secondsSinceEpoch() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::tm localTime(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

} // namespace

LastCopies::LastCopies(MainQueue& queue, LastCopyStore& store, WebView& view,
                       ServerAddressSetting& server)
    : queue_(queue), store_(store), view_(view), server_(server) {
  index_ = parseCopyIndex(store_.readIndex().value_or(""));
  std::vector<std::string> listed;
  const std::vector<std::string> present = store_.copyNames();
  std::erase_if(index_.copies, [&](const LastCopy& copy) {
    return std::ranges::find(present, copyFileName(copy.path)) == present.end();
  });
  for (const LastCopy& copy : index_.copies)
    listed.push_back(copyFileName(copy.path));
  for (const std::string& name : present) {
    if (std::ranges::find(listed, name) == listed.end())
      store_.removeCopy(name);
  }
  checkServer();
}

LastCopies::~LastCopies() {
  if (nextSave_)
    queue_.cancel(*nextSave_);
}

void LastCopies::checkServer() {
  const std::string server = server_.serverURL().absoluteString();
  if (index_.server == server)
    return;
  if (!index_.copies.empty() || store_.readIndex())
    forgetAll();
  index_.server = server;
}

const LastCopyIndex& LastCopies::index() {
  checkServer();
  return index_;
}

std::optional<LastCopy> LastCopies::offer(const std::optional<Url>& failedPage) {
  return copyToOffer(index(), failedPage, server_.serverURL());
}

std::optional<LastCopy> LastCopies::copyAt(const std::optional<Url>& address) {
  const auto path = pathOfCopyAddress(address);
  return path ? copyFor(index(), *path) : std::nullopt;
}

std::string LastCopies::timeLabel(const LastCopy& copy) {
  return copyTimeLabel(localTime(copy.savedAt), localTime(secondsSinceEpoch()));
}

void LastCopies::loadStarted() {
  if (nextSave_)
    queue_.cancel(*std::exchange(nextSave_, std::nullopt));
}

void LastCopies::pageFinished() {
  loadStarted();
  const auto page = view_.url();
  const Url server = server_.serverURL();
  checkServer();
  // The sign-in page shows when nobody is signed in: whoever sits at the
  // desk now must not read the last user's pages.
  if (isSignInPage(page, server)) {
    if (!index_.copies.empty())
      forgetAll();
    return;
  }
  if (shouldKeepCopy(page, server, false))
    scheduleSave(firstCopyDelay);
}

void LastCopies::scheduleSave(std::chrono::milliseconds delay) {
  if (nextSave_)
    queue_.cancel(*nextSave_);
  nextSave_ = queue_.after(delay, [this] {
    nextSave_.reset();
    save();
  });
}

void LastCopies::save() {
  const auto page = view_.url();
  const Url server = server_.serverURL();
  const auto storing = view_.pageResponseHeader("Cache-Control");
  if (!shouldKeepCopy(page, server, storing && forbidsStoring(*storing)))
    return;
  if (saving_) {
    scheduleSave(nextCopyInterval);
    return;
  }
  saving_ = true;
  const std::string path = *copyPath(page, server);
  const std::string address = page->absoluteString();
  view_.saveArchive(lifetime_.guard([this, path, address](std::optional<std::string> archive) {
    saving_ = false;
    // The page may have changed while the engine saved it: the archive is
    // still the page it was asked for, and is kept as that page's.
    if (archive)
      archived(path, address, std::move(*archive));
    // Saved again while the same page stays on show.
    if (view_.url() && view_.url()->absoluteString() == address)
      scheduleSave(nextCopyInterval);
  }));
}

void LastCopies::archived(const std::string& path, const std::string& address,
                          std::string archive) {
  if (!looksLikeArchive(archive) || archive.size() > lastCopiesBytes)
    return;
  archive = withDoctype(std::move(archive));
  LastCopy copy{.path = path,
                .address = address,
                .savedAt = secondsSinceEpoch(),
                .size = archive.size(),
                .fingerprint = archiveFingerprint(archive)};
  // Unchanged since its last save: only its time moves on.
  if (const auto kept = copyFor(index_, path); kept && kept->fingerprint == copy.fingerprint) {
    keep(std::move(copy));
    return;
  }
  const std::string name = copyFileName(path);
  store_.writeCopy(name, std::move(archive),
                   lifetime_.guard([this, name, copy, generation = generation_](bool written) {
                     if (generation != generation_) {
                       store_.removeCopy(name);
                       return;
                     }
                     if (written)
                       keep(copy);
                   }));
}

void LastCopies::keep(LastCopy copy) {
  std::vector<std::string> dropped;
  index_ = withCopy(std::move(index_), std::move(copy), dropped);
  for (const std::string& path : dropped)
    store_.removeCopy(copyFileName(path));
  writeIndex();
}

void LastCopies::writeIndex() {
  store_.writeIndex(serializeCopyIndex(index_));
}

void LastCopies::forgetAll() {
  ++generation_;
  index_.copies.clear();
  store_.removeAll();
}

} // namespace velmora
