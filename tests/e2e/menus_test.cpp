// The real application's menu bar, window commands and back/forward
// control, driven from outside as a user or the desktop shell would: over
// D-Bus, with the keyboard and with the mouse. Probe pages of the sample
// platform report what is on show, so history steps served from the
// engine's cache and page zoom are visible in its request log. Shortcuts
// are accelerators of the menu's own actions, so pressing them proves the
// actions too.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// "Label action" for each item, "-" between sections.
std::vector<std::string> described(const std::vector<ExportedMenuItem>& items) {
  std::vector<std::string> lines;
  for (const auto& item : items)
    lines.push_back(item.isSeparator ? "-" : item.label + " " + item.action);
  return lines;
}

// One signed-in session walks through the menu bar as the shell reads it,
// then the keyboard, the focused page field and the mouse in turn.
TEST(MenusE2ETest, TheMenuBarTheKeyboardAndTheMouseReachTheWindowsCommands) {
  PlatformSession session(/*signedIn=*/true);
  session.launch();
  const std::string window = waitForWindow();
  ASSERT_FALSE(window.empty());
  const auto enabled = [](const std::string& action) {
    const auto description = describeAction("/com/haulvane/Velmora/window/1", action);
    return description && description->enabled;
  };
  const auto becomes = [&](const std::string& action, bool enabledNow) {
    return waitUntil([&] { return enabled(action) == enabledNow; });
  };
  std::optional<std::vector<ExportedMenuItem>> bar;
  ASSERT_TRUE(waitUntil([&] { return (bar = readExportedMenuBar()).has_value(); }));
  // "Hide Others" and "Show All" have no meaning on this desktop; the Go
  // menu follows the page.
  const std::vector<std::pair<std::string, std::vector<std::string>>> expected{
      {"Ve_lmora",
       {"About Velmora app.about", "Copy Support Report app.copySupportReport", "-",
        "Settings\u2026 app.preferences", "Open at Login app.openAtLogin",
        "Keyboard Shortcuts app.shortcuts", "-", "Print\u2026 win.printPage", "-",
        "Hide Velmora win.hide", "-", "Quit Velmora app.quit"}},
      {"_Edit",
       {"Undo win.undo", "Redo win.redo", "-", "Cut win.cut", "Copy win.copy", "Paste win.paste",
        "Select All win.select-all", "-", "Find\u2026 win.find", "Find Next win.findNext",
        "Find Previous win.findPrevious"}},
      {"_View",
       {"Reload Page win.reloadPage", "Go to Dashboard win.goHome", "-",
        "Copy Page Address win.copyPageAddress", "Open Page in Browser win.openPageInBrowser", "-",
        "Actual Size win.zoomActual", "Zoom In win.zoomIn", "Zoom Out win.zoomOut"}},
      {"_Go", {}},
      {"_History",
       {"Back win.goBack", "Forward win.goForward", "-",
        "Forget Last Copies win.forgetLastCopies"}},
      {"_Window", {"Minimize win.minimize", "Zoom win.zoom", "-", "Downloads win.downloads"}}};
  ASSERT_EQ(bar->size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ((*bar)[i].label, expected[i].first);
    if (expected[i].first != "_Go") {
      EXPECT_EQ(described((*bar)[i].submenu), expected[i].second) << expected[i].first;
    }
  }
  screenshot("menu-bar-and-header-bar");

  ASSERT_TRUE(session.app->activate("app.about"));
  EXPECT_FALSE(waitForWindow("^About Velmora$").empty());
  screenshot("about-dialog");
  pressKeys(visibleWindow("^About Velmora$"), "Escape");

  // Ctrl+? lists what the menus above install.
  pressKeys(window, "ctrl+question");
  EXPECT_FALSE(waitForWindow("^Keyboard Shortcuts$").empty());
  screenshot("shortcuts-window");
  pressKeys(visibleWindow("^Keyboard Shortcuts$"), "Escape");
  ASSERT_TRUE(waitUntil([] { return visibleWindow("^Keyboard Shortcuts$").empty(); }));

  // The keyboard: window commands, and Back and Forward only where the
  // history goes on.
  const auto press = [&](const std::string& keys) {
    return [&, keys] { pressKeys(window, keys); };
  };
  // The dashboard is the first page: nothing lies behind it.
  EXPECT_TRUE(becomes("goBack", false));
  const int base = probeWidth(session.reportAfter([&] { session.open("/probe/zoom"); }, "width="));
  ASSERT_GT(base, 500);
  // Ctrl++ is reached both with Shift and, where "+" shares its key with
  // "=", without it.
  for (const auto& [keys, zoom] : {std::pair{"ctrl+plus", 1.1},
                                   {"ctrl+equal", 1.2},
                                   {"ctrl+0", 1.0},
                                   {"ctrl+minus", 0.9},
                                   {"ctrl+KP_Add", 1.0}})
    EXPECT_NEAR(probeWidth(session.reportAfter(press(keys), "width=")), base / zoom, 2.0) << keys;

  size_t since = session.logged();
  press("ctrl+r")();
  EXPECT_TRUE(session.platform.waitForPath("/probe/zoom", since)) << "reload";

  session.show("/probe/history?step=1", "shown=1&restored=0");
  EXPECT_TRUE(becomes("goBack", true));
  session.show("/probe/history?step=2", "shown=2&restored=0");
  EXPECT_FALSE(enabled("goForward"));
  for (const auto& [keys, shown, forward] : {std::tuple{"ctrl+bracketleft", "shown=1", true},
                                             {"ctrl+bracketright", "shown=2", false},
                                             {"alt+Left", "shown=1", true},
                                             {"alt+Right", "shown=2", false}}) {
    EXPECT_TRUE(session.reportAfter(press(keys), shown)) << keys;
    EXPECT_TRUE(becomes("goForward", forward)) << keys;
  }

  since = session.logged();
  press("ctrl+shift+h")();
  EXPECT_TRUE(session.platform.waitForPath("/login", since)) << "dashboard";

  // The clipboard and undo shortcuts reach the focused page field.
  session.show("/probe/editing", "ready=1");
  // A click can be lost right after the clicks of another test on the same
  // display; clicking into a field again is harmless.
  bool focused = false;
  for (int attempt = 0; attempt < 3 && !focused; ++attempt)
    focused = session.reportAfter([&] { clickAt(window, 100, 120); }, "focused=1", 5s).has_value();
  ASSERT_TRUE(focused);
  // Key by key: xdotool's "type" does not reach the page on this display.
  // Cut everything, paste it twice, take the second paste back and redo
  // it; each step waits for the page to report, so the clipboard is never
  // read before the cut has filled it.
  for (const auto& [keys, text] : {std::pair{"a b c", "text=abc&"},
                                   {"ctrl+a ctrl+x", "text=&"},
                                   {"ctrl+v", "text=abc&"},
                                   {"ctrl+v", "text=abcabc&"},
                                   {"ctrl+z", "text=abc&"},
                                   {"ctrl+shift+z", "text=abcabc&"}})
    ASSERT_TRUE(session.reportAfter(press(keys), text)) << keys;

  // The mouse steps through the history.
  session.show("/probe/history?step=1", "shown=1");
  session.show("/probe/history?step=2", "shown=2");

  struct Click {
    const char* name;
    int x, y, button;
    const char* shown;
  };
  // The "‹" and "›" segments at the leading end of the header bar, where
  // "›" at the end of the history stays clickable and does nothing; then
  // buttons 8 and 9 over the page. (Under Xvfb the toolkit drops the first
  // click that follows a press of button 8 or 9, so those come last.)
  for (const Click& click :
       {Click{"header back", 30, 25, 1, "shown=1"}, Click{"header forward", 84, 25, 1, "shown=2"},
        Click{"header forward at the end", 84, 25, 1, nullptr},
        Click{"header back after that", 30, 25, 1, "shown=1"},
        Click{"mouse forward", 600, 400, 9, "shown=2"},
        Click{"mouse back", 600, 400, 8, "shown=1"}}) {
    const auto press = [&] { clickAt(window, click.x, click.y, click.button); };
    if (click.shown)
      EXPECT_TRUE(session.reportAfter(press, click.shown)) << click.name;
    else
      press();
  }
  EXPECT_TRUE(becomes("goForward", true));
  screenshot("header-bar-after-back");
}

} // namespace
} // namespace velmora::testing
