#include "gtk/download.hpp"

#include "gtk/private_files.hpp"

#include <glib/gstdio.h>

#include <string>

namespace velmora::gtk {
namespace {

// The engine ends a download whose connection closes early with "finished",
// as if the file were whole. A body that stops short of its declared length
// is a failure. The length is only comparable when the body travelled
// unencoded: a compressed body is declared at its compressed size.
std::optional<std::string> shortfallOf(WebKitDownload* download) {
  WebKitURIResponse* response = webkit_download_get_response(download);
  if (!response)
    return std::nullopt;
  const guint64 expected = webkit_uri_response_get_content_length(response);
  const guint64 received = webkit_download_get_received_data_length(download);
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  const char* encoding =
      headers ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
  if (expected == 0 || received >= expected ||
      (encoding && g_ascii_strcasecmp(encoding, "identity") != 0))
    return std::nullopt;
  return "The connection closed after " + std::to_string(received) + " of " +
         std::to_string(expected) + " bytes had arrived.";
}

WebError downloadErrorOf(const GError* error) {
  if (!error)
    return WebError{-1, ""};
  WebError result{error->code, error->message ? error->message : ""};
  if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER) ||
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
    result.code = WebError::cancelled;
  } else if (result.code == WebError::cancelled) {
    // Another domain's code that happens to equal the cancellation code is a
    // real failure and must still be reported.
    result.code = -1;
  }
  return result;
}

} // namespace

GtkDownload::GtkDownload(WebKitDownload* download, DownloadStart start,
                         std::function<void()> onEnded)
    : download_(GObjectPtr<WebKitDownload>::retain(download)), start_(std::move(start)),
      onEnded_(std::move(onEnded)) {
  signals_.emplace_back(download, "decide-destination", G_CALLBACK(onDecideDestination), this);
  signals_.emplace_back(download, "received-data", G_CALLBACK(onReceivedData), this);
  signals_.emplace_back(download, "finished", G_CALLBACK(onFinished), this);
  signals_.emplace_back(download, "failed", G_CALLBACK(onFailed), this);
}

DownloadIdentity GtkDownload::identity() const {
  return reinterpret_cast<DownloadIdentity>(download_.get());
}

void GtkDownload::setDelegate(DownloadDelegate& delegate) {
  delegate_ = &delegate;
}

void GtkDownload::cancel() {
  g_debug("download refused: %s",
          start_.url ? start_.url->absoluteString().c_str() : "(no address)");
  delegate_ = nullptr;
  webkit_download_cancel(download_.get());
}

gboolean GtkDownload::onDecideDestination(WebKitDownload* download, const char* suggested,
                                          gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  // Left alone, the engine would pick a place by itself; with nobody to
  // decide, the download does not happen.
  if (!wrapper->delegate_) {
    webkit_download_cancel(download);
    return TRUE;
  }
  auto keep = GObjectPtr<WebKitDownload>::retain(download);
  wrapper->delegate_->decideDestinationUsingResponse(
      wrapper->identity(), suggested ? suggested : "",
      [keep](std::optional<std::filesystem::path> destination) {
        if (destination) {
          // The destination is the empty file the delegate has just created
          // for this download. Without overwriting, the engine would refuse
          // it and then delete it, as it deletes whatever it finds in its way.
          webkit_download_set_allow_overwrite(keep.get(), TRUE);
          webkit_download_set_destination(keep.get(), destination->c_str());
        } else {
          webkit_download_cancel(keep.get());
        }
      });
  return TRUE;
}

void GtkDownload::onReceivedData(WebKitDownload* download, guint64, gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  if (!wrapper->delegate_ || wrapper->ended_)
    return;
  WebKitURIResponse* response = webkit_download_get_response(download);
  const guint64 expected = response ? webkit_uri_response_get_content_length(response) : 0;
  wrapper->delegate_->didReceiveData(wrapper->identity(),
                                     webkit_download_get_received_data_length(download), expected);
}

void GtkDownload::onFinished(WebKitDownload* download, gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  // Ending lets go of the wrapper's reference; the download must outlive
  // this handler all the same.
  const auto keep = GObjectPtr<WebKitDownload>::retain(download);
  if (!wrapper->ended_ && wrapper->delegate_) {
    if (auto shortfall = shortfallOf(download)) {
      // A truncated file must not pass for the real one; the engine removes
      // its files the same way when it notices a failure itself.
      if (const char* destination = webkit_download_get_destination(download))
        g_remove(destination);
      wrapper->delegate_->didFailWithError(wrapper->identity(), WebError{-1, *shortfall});
    } else {
      // The engine makes the file anew under the process's private mask.
      if (const char* destination = webkit_download_get_destination(download))
        giveToUser(destination);
      wrapper->delegate_->downloadDidFinish(wrapper->identity());
    }
  }
  wrapper->ended_ = true;
  // The owner destroys this wrapper; nothing may touch it afterwards.
  if (auto ended = std::move(wrapper->onEnded_))
    ended();
}

void GtkDownload::onFailed(WebKitDownload*, GError* error, gpointer self) {
  auto* wrapper = static_cast<GtkDownload*>(self);
  if (wrapper->ended_)
    return;
  wrapper->ended_ = true;
  if (wrapper->delegate_)
    wrapper->delegate_->didFailWithError(wrapper->identity(), downloadErrorOf(error));
}

} // namespace velmora::gtk
