// The application window: a GtkApplicationWindow with a header bar holding
// the back/forward control, the page view, and an overlay layer for the
// error screen, the load progress and the notice bar (window_bars.cpp). Its size is saved in the
// settings file under its autosave name and restored on the next launch.
#pragma once

#include "glib_owners/glib_ptr.hpp"
#include "gtk/downloads_view.hpp"
#include "gtk/key_file_store.hpp"
#include "platform/window.hpp"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <functional>
#include <memory>

namespace velmora::gtk {

// What the application adds to a window: its menu actions once the window
// exists, and its own handling (notifications) once the page view exists.
struct WindowHooks {
  std::function<void(GtkApplicationWindow*)> installActions;
  std::function<void(WebKitWebView*)> webViewCreated;
};

class GtkAppWindow final : public Window {
public:
  GtkAppWindow(GtkApplication* app, WebKitNetworkSession* session, KeyFileStore& store,
               const WindowDescription& description, WindowHooks hooks);
  ~GtkAppWindow() override;

  void showWindow() override;
  [[nodiscard]] bool isVisible() const override;
  void setTitle(const std::string& title) override;
  void setToolbar(const ToolbarDescription& toolbar, ToolbarDelegate& delegate) override;
  [[nodiscard]] std::unique_ptr<WebView> createWebView(const WebViewConfiguration& configuration,
                                                       WebViewDelegates delegates) override;
  [[nodiscard]] std::unique_ptr<View> addOverlay(const OverlayDescription& overlay) override;
  void showNotice(const std::optional<NoticeDescription>& notice) override;
  void showLoadProgress(std::optional<double> fraction) override;
  [[nodiscard]] DownloadsView& downloadsView() override { return *downloads_; }
  void miniaturize() override;
  void zoom() override;
  [[nodiscard]] std::optional<std::string> savedValue(std::string_view key) const override;
  void saveValue(std::string_view key, const std::string& value) override;

  [[nodiscard]] GtkWindow* gtkWindow() const { return GTK_WINDOW(window_); }
  // Writes the current size to the settings file.
  void saveFrame();

private:
  static gboolean onCloseRequest(GtkWindow*, gpointer self);
  static void onFrameChanged(gpointer self);
  static gboolean onSaveFrameDue(gpointer self);
  static void onSegmentClicked(GtkButton*, gpointer self);
  static gboolean onPointerEvent(GtkEventControllerLegacy*, GdkEvent* event, gpointer self);
  // The strip along the top of the page: the progress bar over the notice.
  void makeBars();
  static void onNoticeButton(GtkButton* button, gpointer self);
  // The strip moves down below the page's find bar while it is open, so a
  // notice that stays up (a last copy's) never hides the find field.
  void followFindBar(GtkWidget* container);
  static void onFindBarToggled(GObject* bar, GParamSpec*, gpointer self);

  WebKitNetworkSession* session_;
  WindowHooks hooks_;
  KeyFileStore& store_;
  std::string autosaveName_;
  GtkWidget* window_ = nullptr;     // owned by the application until destroyed
  GObjectPtr<GtkWidget> windowRef_; // a reference of ours, kept past its destruction
  GtkWidget* overlay_ = nullptr;
  GObjectPtr<GtkCssProvider> overlayCss_;
  GObjectPtr<GtkCssProvider> barsCss_;
  GtkWidget* strip_ = nullptr;
  GtkWidget* progressBar_ = nullptr;
  GtkWidget* noticeBar_ = nullptr;
  GtkWidget* noticeLabel_ = nullptr;
  GtkWidget* noticeButtons_ = nullptr;
  std::vector<std::string> noticeButtonTitles_;
  std::vector<std::function<void()>> noticeActions_;
  std::vector<ScopedSignal> noticeSignals_;
  std::unique_ptr<GtkDownloadsView> downloads_;
  SourceId saveTimer_; // the frame is saved once resizing settles
  KeyFileStore::Values savedFrame_;
  ToolbarDelegate* toolbarDelegate_ = nullptr;
  // Last, so the connections go before anything their handlers use.
  std::vector<ScopedSignal> signals_;
};

} // namespace velmora::gtk
