#include "platform/gtk/download.hpp"

namespace velmora::gtk {

GtkDownload::GtkDownload(WebKitDownload* download, std::function<void()> onEnded)
    : download_(GObjectPtr<WebKitDownload>::retain(download)), onEnded_(std::move(onEnded)) {
  signals_.emplace_back(download, "decide-destination", G_CALLBACK(onDecideDestination), this);
  signals_.emplace_back(download, "received-data", G_CALLBACK(onReceivedData), this);
  signals_.emplace_back(download, "finished", G_CALLBACK(onFinished), this);
  signals_.emplace_back(download, "failed", G_CALLBACK(onFailed), this);
}

DownloadIdentity GtkDownload::identity() const {
  return reinterpret_cast<DownloadIdentity>(download_.get());
}

void GtkDownload::setDelegate(DownloadDelegate& delegate) { delegate_ = &delegate; }

gboolean GtkDownload::onDecideDestination(WebKitDownload* download, const char* suggested,
                                          gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  if (!wrapper->delegate_) return FALSE;
  auto keep = GObjectPtr<WebKitDownload>::retain(download);
  wrapper->delegate_->decideDestinationUsingResponse(
      wrapper->identity(), suggested ? suggested : "",
      [keep](std::optional<std::filesystem::path> destination) {
        if (destination) {
          webkit_download_set_destination(keep.get(), destination->c_str());
        } else {
          webkit_download_cancel(keep.get());
        }
      });
  return TRUE;
}

void GtkDownload::onReceivedData(WebKitDownload* download, guint64, gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  if (!wrapper->delegate_ || wrapper->ended_) return;
  WebKitURIResponse* response = webkit_download_get_response(download);
  const guint64 expected = response ? webkit_uri_response_get_content_length(response) : 0;
  wrapper->delegate_->didReceiveData(wrapper->identity(),
                                     webkit_download_get_received_data_length(download), expected);
}

void GtkDownload::onFinished(WebKitDownload*, gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  if (!wrapper->ended_ && wrapper->delegate_) wrapper->delegate_->downloadDidFinish(wrapper->identity());
  wrapper->ended_ = true;
  // The owner destroys this wrapper; nothing may touch it afterwards.
  if (auto ended = std::move(wrapper->onEnded_)) ended();
}

void GtkDownload::onFailed(WebKitDownload*, GError* error, gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  if (wrapper->ended_) return;
  wrapper->ended_ = true;
  if (wrapper->delegate_)
    wrapper->delegate_->didFailWithError(wrapper->identity(),
                                         WebError{error ? error->code : 0,
                                                  error ? error->message : "Download failed"});
}

}  // namespace velmora::gtk
