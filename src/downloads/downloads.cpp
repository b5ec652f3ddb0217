#include "window/browser_window_controller.hpp"

namespace velmora {

void BrowserWindowController::decideDestinationUsingResponse(
    DownloadIdentity /*download*/, const std::string& /*suggestedFilename*/,
    std::function<void(std::optional<std::filesystem::path>)> completionHandler) {
  completionHandler(std::nullopt);
}

void BrowserWindowController::downloadDidFinish(DownloadIdentity download) {
  downloadDestinations.erase(download);
}

void BrowserWindowController::didFailWithError(DownloadIdentity download, const WebError&) {
  downloadDestinations.erase(download);
}

void BrowserWindowController::didReceiveData(DownloadIdentity, std::uint64_t, std::uint64_t) {}

void BrowserWindowController::updateDownloadProgress() {}

}  // namespace velmora
