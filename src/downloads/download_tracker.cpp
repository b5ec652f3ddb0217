#include "downloads/download_tracker.hpp"

#include "downloads/download_destination.hpp"
#include "downloads/reveal_pacing.hpp"
#include "platform/log.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace velmora {
namespace {

// Each try that loses a name to a file created after the existence test
// moves on to the next name; this many lost races in a row means something
// else is wrong.
constexpr int maxCreationAttempts = 100;

std::string quoted(const std::filesystem::path& path) {
  return "\u201C" + path.string() + "\u201D";
}

// No button is added: the alert offers only its default one to dismiss it.
void showDownloadFailure(Alerts& alerts, std::string description) {
  log::debug(log::Module::downloads, "failed: " + description);
  Alert alert;
  alert.messageText = "Download failed";
  alert.informativeText = std::move(description);
  alerts.runModal(alert, [](const AlertResponse&) {});
}

// The share of the expected bytes received so far, in whole percent, so the
// dock is not sent an update for every few kilobytes.
double progressStep(double received, double expected) {
  if (expected <= 0)
    return 0;
  return std::floor(100 * std::min(received / expected, 1.0)) / 100;
}

} // namespace

DownloadTracker::~DownloadTracker() {
  if (revealTask_)
    desktop_.mainQueue.cancel(*revealTask_);
  if (noteTask_)
    desktop_.mainQueue.cancel(*noteTask_);
}

void DownloadTracker::decideDestinationUsingResponse(
    DownloadIdentity download, const std::string& suggestedFilename,
    std::function<void(std::optional<std::filesystem::path>)> completionHandler) {
  const auto folder = desktop_.files.downloadsDirectory();
  if (!folder) {
    completionHandler(std::nullopt);
    showDownloadFailure(desktop_.alerts, "There is no Downloads folder to save the file in.");
    return;
  }
  if (!desktop_.files.createDirectory(*folder)) {
    completionHandler(std::nullopt);
    showDownloadFailure(desktop_.alerts,
                        "The Downloads folder " + quoted(*folder) + " could not be created.");
    return;
  }

  // A download still under way holds its name even before its file has
  // grown, so two downloads of the same name never share a file.
  std::set<std::filesystem::path> lostRaces;
  const auto taken = [&](const std::filesystem::path& candidate) {
    return lostRaces.contains(candidate) ||
           std::any_of(destinations_.begin(), destinations_.end(),
                       [&](const auto& entry) { return entry.second == candidate; }) ||
           desktop_.files.fileExistsAtPath(candidate);
  };
  for (int attempt = 0; attempt < maxCreationAttempts; ++attempt) {
    std::filesystem::path destination =
        uniqueDownloadDestination(*folder, suggestedFilename, taken);
    // Creating the file claims the name for good: the engine then writes
    // into our own empty file and never meets one that appeared meanwhile.
    const FileCreation creation = desktop_.files.createNewFile(destination);
    if (creation.outcome == FileCreation::Outcome::exists) {
      lostRaces.insert(destination);
      continue;
    }
    if (creation.outcome == FileCreation::Outcome::failed) {
      completionHandler(std::nullopt);
      showDownloadFailure(desktop_.alerts, quoted(destination.filename()) +
                                               " could not be saved in " + quoted(*folder) + ": " +
                                               creation.errorDescription);
      return;
    }
    destinations_[download] = destination;
    progress_[download] = Progress{};
    recordOf_[download] = records_.size();
    records_.push_back(DownloadRecord{.file = destination, .failure = {}});
    updateDockProgress();
    updateRows();
    completionHandler(std::move(destination));
    return;
  }
  completionHandler(std::nullopt);
  showDownloadFailure(desktop_.alerts, "No free name could be found in the Downloads folder " +
                                           quoted(*folder) + ".");
}

void DownloadTracker::downloadDidFinish(DownloadIdentity download) {
  auto entry = destinations_.extract(download);
  progress_.erase(download);
  updateDockProgress();
  if (auto record = recordOf_.extract(download)) {
    DownloadRecord& finished = records_[record.mapped()];
    finished.state = DownloadRecord::State::finished;
    finished.received = std::max(finished.received, finished.expected);
    updateRows();
  }
  if (entry) {
    showNote(entry.mapped());
    reveal(entry.mapped());
  }
}

void DownloadTracker::showNote(const std::filesystem::path& file) {
  view_.showNote(DownloadNote{
      .text = downloadNoteText(file),
      .button = {"Show in Folder", lifetime_.guard([this, file] { showInFolder(file); })}});
  // Each note gets its full time: a later download's note restarts it.
  if (noteTask_)
    desktop_.mainQueue.cancel(*noteTask_);
  noteTask_ = desktop_.mainQueue.after(downloadNoteDuration, [this] {
    noteTask_.reset();
    view_.hideNote();
  });
}

// The user's own request: shown at once, outside the pacing of the
// automatic showings.
void DownloadTracker::showInFolder(const std::filesystem::path& file) {
  desktop_.workspace.activateFileViewerSelectingURLs({file});
}

void DownloadTracker::openFile(const std::filesystem::path& file) {
  if (auto url = fileUrl(file))
    desktop_.workspace.openURL(*url);
}

void DownloadTracker::showDownloads() {
  updateRows();
  view_.showList();
}

void DownloadTracker::updateRows() {
  std::vector<DownloadRow> rows;
  rows.reserve(records_.size());
  for (const DownloadRecord& record : records_) {
    DownloadRow row{.name = record.file.filename().string(),
                    .status = downloadStatusText(record),
                    .fraction = downloadFraction(record),
                    .buttons = {}};
    if (record.state == DownloadRecord::State::finished) {
      row.buttons.push_back(
          {"Open", lifetime_.guard([this, file = record.file] { openFile(file); })});
      row.buttons.push_back(
          {"Show in Folder", lifetime_.guard([this, file = record.file] { showInFolder(file); })});
    }
    rows.push_back(std::move(row));
  }
  view_.setRows(std::move(rows));
}

void DownloadTracker::reveal(const std::filesystem::path& file) {
  const auto now = desktop_.mainQueue.now();
  const auto due = revealTime(lastReveal_, now);
  if (due <= now) {
    // A showing still waiting here is one whose timer is late: this newer
    // file takes its place.
    if (revealTask_)
      desktop_.mainQueue.cancel(*std::exchange(revealTask_, std::nullopt));
    waitingReveal_.reset();
    revealNow(file);
    return;
  }
  waitingReveal_ = file;
  if (revealTask_)
    return;
  revealTask_ =
      desktop_.mainQueue.after(std::chrono::ceil<std::chrono::milliseconds>(due - now), [this] {
        revealTask_.reset();
        if (auto waiting = std::exchange(waitingReveal_, std::nullopt))
          revealNow(*waiting);
      });
}

void DownloadTracker::revealNow(const std::filesystem::path& file) {
  lastReveal_ = desktop_.mainQueue.now();
  desktop_.workspace.activateFileViewerSelectingURLs({file});
}

void DownloadTracker::didFailWithError(DownloadIdentity download, const WebError& error) {
  const auto destination = destinations_.extract(download);
  progress_.erase(download);
  updateDockProgress();
  const std::string reason = error.localizedDescription.empty()
                                 ? "The download stopped before it was complete."
                                 : error.localizedDescription;
  if (auto record = recordOf_.extract(download)) {
    DownloadRecord& failed = records_[record.mapped()];
    failed.state = DownloadRecord::State::failed;
    failed.failure = error.code == WebError::cancelled ? "Cancelled" : reason;
    updateRows();
  }
  // Someone asked for the cancellation: the user, or the destination
  // decision, which has already said why.
  if (error.code == WebError::cancelled) {
    log::debug(log::Module::downloads, "cancelled");
    return;
  }
  // With several downloads under way, the reason alone would not say which
  // file is missing.
  showDownloadFailure(desktop_.alerts, destination ? quoted(destination.mapped().filename()) +
                                                         " was not saved: " + reason
                                                   : reason);
}

void DownloadTracker::didReceiveData(DownloadIdentity download, std::uint64_t received,
                                     std::uint64_t expected) {
  const auto entry = progress_.find(download);
  if (entry == progress_.end())
    return;
  entry->second = Progress{received, expected};
  updateDockProgress();
  if (auto record = recordOf_.find(download); record != recordOf_.end()) {
    DownloadRecord& running = records_[record->second];
    // The rows are redrawn when a whole percent (or, at an unknown size, a
    // megabyte) more has arrived, not for every few kilobytes.
    const auto step = [&](std::uint64_t bytes) {
      return expected ? bytes * 100 / expected : bytes / 1000000;
    };
    const bool changed = step(running.received) != step(received) || running.expected != expected;
    running.received = received;
    running.expected = expected;
    if (changed)
      updateRows();
  }
}

// One bar for all downloads under way. Downloads whose size is unknown add
// nothing to either side of the share; the bar goes when the last one ends.
void DownloadTracker::updateDockProgress() {
  std::optional<double> shown;
  if (!progress_.empty()) {
    double received = 0;
    double expected = 0;
    for (const auto& [identity, progress] : progress_) {
      if (progress.expected == 0)
        continue;
      received += static_cast<double>(std::min(progress.received, progress.expected));
      expected += static_cast<double>(progress.expected);
    }
    shown = progressStep(received, expected);
  }
  if (shown == dockProgress_)
    return;
  dockProgress_ = shown;
  desktop_.dockTile.setProgress(shown);
}

} // namespace velmora
