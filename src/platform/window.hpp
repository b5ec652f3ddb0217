// The application's one window as the core sees it: its description, the
// toolbar it asks its delegate for, the web view it hosts and the error
// overlay it can lay over that web view.
#pragma once

#include "platform/downloads_view.hpp"
#include "platform/web_view.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct WindowDescription {
  std::string title;
  Size contentSize;
  Size minSize;
  bool centered = true;
  // A size saved under this name in an earlier run replaces `contentSize`,
  // and later resizes are saved under it.
  std::string frameAutosaveName;
};

struct Button {
  std::string title;
  // "\r" makes it the default button, chosen by the Return key.
  std::string keyEquivalent;
  std::function<void()> action;
};

// The error overlay: a full-window cover with a centred column of a title, a
// message, a row of buttons and a small line under them. The core decides
// every word; the backend draws it in the window's own look.
struct OverlayDescription {
  std::string title;
  std::string message;
  std::vector<Button> buttons;
  // A small line under the buttons; none shows nothing.
  std::optional<std::string> footnote;
};

// A bar along the top of the page: one line of text and its buttons. The
// page stays in use below it.
struct NoticeDescription {
  std::string text;
  std::vector<Button> buttons;
};

// A view the core placed and may take away again.
class View {
public:
  virtual ~View() = default;
  // Detaches the view from the window; harmless when already detached.
  virtual void removeFromSuperview() = 0;
};

// The back/forward control: one segmented control at the leading end.
struct ToolbarItem {
  std::string identifier;
  std::string label;
  std::vector<std::string> segmentLabels;
  // What each segment is called, for its tooltip and for screen readers:
  // the labels are only glyphs.
  std::vector<std::string> segmentToolTips;
  bool momentary = true;
  bool separated = true;
  bool navigational = true;
};

inline constexpr std::string_view flexibleSpaceItemIdentifier = "NSToolbarFlexibleSpaceItem";

class ToolbarDelegate {
public:
  virtual ~ToolbarDelegate() = default;
  [[nodiscard]] virtual std::vector<std::string> toolbarDefaultItemIdentifiers() const = 0;
  [[nodiscard]] virtual std::vector<std::string> toolbarAllowedItemIdentifiers() const = 0;
  // None for an identifier the delegate does not make (flexible space is
  // made by the toolbar itself).
  [[nodiscard]] virtual std::optional<ToolbarItem>
  itemForItemIdentifier(const std::string& identifier, bool willBeInsertedIntoToolbar) const = 0;
  // A segment of the back/forward control was clicked.
  virtual void backForward(int selectedSegment) = 0;
};

struct ToolbarDescription {
  std::string identifier;
  bool iconOnly = true;
  bool allowsUserCustomization = false;
};

class Window {
public:
  virtual ~Window() = default;
  // Puts the window on screen and makes it the key window.
  virtual void showWindow() = 0;
  // Replaces the title the window was made with; taskbars and window
  // switchers show it.
  virtual void setTitle(const std::string& title) = 0;
  // On screen: shown, and not minimised.
  [[nodiscard]] virtual bool isVisible() const = 0;
  // Attaches a toolbar whose items come from `delegate`, which must outlive
  // the window.
  virtual void setToolbar(const ToolbarDescription& toolbar, ToolbarDelegate& delegate) = 0;
  // Creates the page view filling the content area below the toolbar;
  // `delegates` receive its callbacks, each of its own concern.
  [[nodiscard]] virtual std::unique_ptr<WebView>
  createWebView(const WebViewConfiguration& configuration, WebViewDelegates delegates) = 0;
  // Lays the overlay over the whole content area, above the web view, where
  // it follows every resize until removed.
  [[nodiscard]] virtual std::unique_ptr<View> addOverlay(const OverlayDescription& overlay) = 0;
  // Shows the notice bar over the top of the page, replacing the one on
  // show; none takes it away.
  virtual void showNotice(const std::optional<NoticeDescription>& notice) = 0;
  // Shows a thin load progress bar along the top of the page, filled to
  // `fraction` (0 to 1); none takes it away.
  virtual void showLoadProgress(std::optional<double> fraction) = 0;
  // The download note over the bottom of the content area and the
  // Downloads window that belongs to this window; as long-lived as it.
  [[nodiscard]] virtual DownloadsView& downloadsView() = 0;
  virtual void miniaturize() = 0;
  // Toggles between the maximised and the normal size.
  virtual void zoom() = 0;
  // A value saved beside the window's size under its autosave name, in this
  // or an earlier run; none when nothing is saved or the window has no
  // autosave name.
  [[nodiscard]] virtual std::optional<std::string> savedValue(std::string_view key) const = 0;
  // Saves a value there. One that cannot be written is lost, as a size is.
  virtual void saveValue(std::string_view key, const std::string& value) = 0;
};

class WindowSystem {
public:
  virtual ~WindowSystem() = default;
  [[nodiscard]] virtual std::unique_ptr<Window> createWindow(const WindowDescription& window) = 0;
};

} // namespace velmora
