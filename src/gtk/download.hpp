// One WebKitDownload seen through the core's Download interface. The engine
// sends "finished" after "failed" too, and "finished" for a body cut short;
// the delegate hears of exactly one ending, and of a cut-short body as a
// failure.
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "platform/web_view.hpp"

#include <webkit/webkit.h>

#include <functional>
#include <optional>
#include <vector>

namespace velmora::gtk {

class GtkDownload final : public Download {
public:
  // `onEnded` runs once the engine is done with the download, so the owner
  // can let go of this wrapper.
  GtkDownload(WebKitDownload* download, DownloadStart start, std::function<void()> onEnded);

  [[nodiscard]] DownloadIdentity identity() const override;
  [[nodiscard]] const DownloadStart& start() const override { return start_; }
  void setDelegate(DownloadDelegate& delegate) override;
  void cancel() override;

private:
  static gboolean onDecideDestination(WebKitDownload*, const char* suggested, gpointer self);
  static void onReceivedData(WebKitDownload*, guint64, gpointer self);
  static void onFinished(WebKitDownload*, gpointer self);
  static void onFailed(WebKitDownload*, GError*, gpointer self);

  GObjectPtr<WebKitDownload> download_;
  DownloadStart start_;
  std::function<void()> onEnded_;
  DownloadDelegate* delegate_ = nullptr;
  bool ended_ = false;
  std::vector<ScopedSignal> signals_;
};

} // namespace velmora::gtk
