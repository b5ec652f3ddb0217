// Every download the window's pages start: where each is saved (a new file
// claimed in the Downloads folder under a safe, unique name), the combined
// progress on the dock icon while they run, the finished file shown in the
// file manager (at most once in `revealInterval`), and a message when one
// fails.
#pragma once

#include "platform/desktop.hpp"
#include "platform/web_view.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace velmora {

class DownloadTracker final : public DownloadDelegate {
public:
  explicit DownloadTracker(Desktop& desktop) : desktop_(desktop) {}
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

private:
  struct Progress {
    std::uint64_t received = 0;
    std::uint64_t expected = 0;
  };
  void updateDockProgress();
  // Shows `file` in the file manager now, or as soon as the interval since
  // the last showing allows, in place of any file already waiting.
  void reveal(const std::filesystem::path& file);
  void revealNow(const std::filesystem::path& file);

  Desktop& desktop_;
  std::map<DownloadIdentity, std::filesystem::path> destinations_;
  std::map<DownloadIdentity, Progress> progress_;
  // What the dock icon's progress bar shows now; none while it is hidden.
  std::optional<double> dockProgress_;
  std::optional<MainQueue::Clock::time_point> lastReveal_;
  // The newest finished file waiting for the interval to end, and the task
  // that shows it then.
  std::optional<std::filesystem::path> waitingReveal_;
  std::optional<DelayedTaskId> revealTask_;
};

} // namespace velmora
