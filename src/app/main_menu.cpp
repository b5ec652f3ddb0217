#include "app/app_delegate.hpp"

#include <cctype>

namespace velmora {
namespace {

MenuItem item(std::string title, Action action, std::string key = {},
              std::uint32_t mask = modifier::command) {
  MenuItem entry;
  entry.title = std::move(title);
  entry.action = action;
  entry.keyEquivalent = std::move(key);
  entry.modifierMask = mask;
  return entry;
}

} // namespace

MenuBar buildMenu() {
  using enum Action;
  using enum MenuModel::Role;
  MenuBar bar;
  // Without a File menu, Print… and Keyboard Shortcuts live in the
  // application menu, where GNOME applications keep them.
  // Each menu opens with Alt and a letter of its own: the application menu
  // takes "l", as "V" belongs to View.
  bar.menus.push_back(
      {"Velmora",
       application,
       {item("About Velmora", orderFrontStandardAboutPanel),
        item("Copy Support Report", copySupportReport), MenuItem::separator(),
        item("Settings\u2026", showPreferences, ","), item("Open at Login", toggleOpenAtLogin),
        item("Keyboard Shortcuts", showKeyboardShortcuts, "?"), MenuItem::separator(),
        item("Print\u2026", printPage, "p"), MenuItem::separator(), item("Hide Velmora", hide, "h"),
        item("Hide Others", hideOtherApplications, "h", modifier::command | modifier::option),
        item("Show All", unhideAllApplications), MenuItem::separator(),
        item("Quit Velmora", terminate, "q")},
       'l'});
  bar.menus.push_back({"Edit",
                       ordinary,
                       {item("Undo", undo, "z"), item("Redo", redo, "Z"), MenuItem::separator(),
                        item("Cut", cut, "x"), item("Copy", copy, "c"), item("Paste", paste, "v"),
                        item("Select All", selectAll, "a"), MenuItem::separator(),
                        item("Find\u2026", showFindBar, "f"), item("Find Next", findNext, "g"),
                        item("Find Previous", findPrevious, "G")},
                       'E'});
  bar.menus.push_back({"View",
                       ordinary,
                       {item("Reload Page", reloadPage, "r"),
                        item("Go to Dashboard", goHome, "h", modifier::command | modifier::shift),
                        MenuItem::separator(), item("Copy Page Address", copyPageAddress),
                        item("Open Page in Browser", openPageInBrowser), MenuItem::separator(),
                        item("Actual Size", zoomActual, "0"), item("Zoom In", zoomIn, "+"),
                        item("Zoom Out", zoomOut, "-")},
                       'V'});
  bar.menus.push_back({"Go", go, {}, 'G'});
  bar.menus.push_back({"History",
                       ordinary,
                       {item("Back", goBack, "["), item("Forward", goForward, "]"),
                        MenuItem::separator(), item("Forget Last Copies", forgetLastCopies)},
                       'H'});
  bar.menus.push_back(
      {"Window",
       windows,
       {item("Minimize", performMiniaturize, "m"), item("Zoom", performZoom, {}, modifier::command),
        MenuItem::separator(), item("Downloads", showDownloads)},
       'W'});
  return bar;
}

std::string mnemonicTitle(const std::string& title, char mnemonic) {
  std::string drawn;
  drawn.reserve(title.size() + 2);
  bool marked = mnemonic == 0;
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  for (char c : title) {
    if (!marked && lower(c) == lower(mnemonic)) {
      drawn += '_';
      marked = true;
    }
    drawn += c;
    if (c == '_')
      drawn += '_';
  }
  return drawn;
}

} // namespace velmora
