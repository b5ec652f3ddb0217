// Every download the window's pages start: where each is saved (a new file
// claimed in the Downloads folder under a safe, unique name), the combined
// progress on the dock icon while they run, the finished file shown in the
// file manager (at most once in `revealInterval`), a message naming the file
// when one fails, a short note when one is saved, and the rows of the
// Downloads window, which lists the session's downloads.
#pragma once

#include "downloads/download_list.hpp"
#include "platform/desktop.hpp"
#include "platform/downloads_view.hpp"
#include "platform/lifetime.hpp"
#include "platform/web_view.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class DownloadTracker final : public DownloadDelegate {
public:
  // `view` shows what the tracker decides, and outlives it.
  DownloadTracker(Desktop& desktop, DownloadsView& view) : desktop_(desktop), view_(view) {}
  ~DownloadTracker() override;
  DownloadTracker(const DownloadTracker&) = delete;
  DownloadTracker& operator=(const DownloadTracker&) = delete;

  void decideDestinationUsingResponse(
      DownloadIdentity download, const std::string& suggestedFilename,
      std::function<void(std::optional<std::filesystem::path>)> completionHandler) override;
  void downloadDidFinish(DownloadIdentity download) override;
  void didFailWithError(DownloadIdentity download, const WebError& error) override;
  void didReceiveData(DownloadIdentity download, std::uint64_t received,
                      std::uint64_t expected) override;

  // The destination of each download under way.
  [[nodiscard]] const std::map<DownloadIdentity, std::filesystem::path>& destinations() const {
    return destinations_;
  }
  // Every download of this session that got a file, oldest first.
  [[nodiscard]] const std::vector<DownloadRecord>& records() const { return records_; }
  // Opens the Downloads window.
  void showDownloads();

private:
  struct Progress {
    std::uint64_t received = 0;
    std::uint64_t expected = 0;
  };
  void updateDockProgress();
  // Hands the rows of the Downloads window to the view.
  void updateRows();
  void showNote(const std::filesystem::path& file);
  void showInFolder(const std::filesystem::path& file);
  void openFile(const std::filesystem::path& file);
  // Shows `file` in the file manager now, or as soon as the interval since
  // the last showing allows, in place of any file already waiting.
  void reveal(const std::filesystem::path& file);
  void revealNow(const std::filesystem::path& file);

  Desktop& desktop_;
  DownloadsView& view_;
  std::map<DownloadIdentity, std::filesystem::path> destinations_;
  // The session's downloads, and where each one under way is among them.
  std::vector<DownloadRecord> records_;
  std::map<DownloadIdentity, std::size_t> recordOf_;
  std::optional<DelayedTaskId> noteTask_;
  std::map<DownloadIdentity, Progress> progress_;
  // What the dock icon's progress bar shows now; none while it is hidden.
  std::optional<double> dockProgress_;
  std::optional<MainQueue::Clock::time_point> lastReveal_;
  // The newest finished file waiting for the interval to end, and the task
  // that shows it then.
  std::optional<std::filesystem::path> waitingReveal_;
  std::optional<DelayedTaskId> revealTask_;
  Lifetime lifetime_;
};

} // namespace velmora
