// The engine's context menu in a one-window, one-site application.
#include "navigation/context_menu.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ContextMenuTest, LinksAreTheWindowsTheBrowsersOrNobodys) {
  const std::vector<std::string> origins{"https://acme.example.test",
                                         "https://www.acme.example.test"};
  struct Row {
    const char* name;
    std::optional<std::string> link;
    ContextLink expected;
  };
  const Row rows[] = {
      {"no link", std::nullopt, ContextLink::none},
      {"the platform", "https://acme.example.test/jobs/7", ContextLink::platform},
      {"the www twin", "https://www.acme.example.test/", ContextLink::platform},
      {"the scheme in capitals", "HTTPS://acme.example.test/", ContextLink::platform},
      {"another site", "https://maps.example.org/?q=depot", ContextLink::foreignWeb},
      {"the platform over http", "http://acme.example.test/", ContextLink::foreignWeb},
      {"a mail link", "mailto:dispatch@acme.example.test", ContextLink::other},
      {"no host", "https://", ContextLink::other},
  };
  for (const Row& row : rows) {
    const auto link = row.link ? Url::parse(*row.link) : std::nullopt;
    EXPECT_EQ(contextLinkKind(link, origins), row.expected) << row.name;
  }
}

TEST(ContextMenuTest, NoEntryOpensASecondWindowAndForeignLinksGoToTheBrowser) {
  using enum ContextMenuEntry;
  using enum ContextMenuChange;
  struct Row {
    const char* name;
    ContextMenuEntry entry;
    ContextLink link;
    ContextMenuChange expected;
  };
  const Row rows[] = {
      {"open a platform link here", openLink, ContextLink::platform, keep},
      {"no new window for a platform link", openLinkInNewWindow, ContextLink::platform, remove},
      {"download a platform export", downloadLinkedFile, ContextLink::platform, keep},
      {"open a foreign link in the browser", openLink, ContextLink::foreignWeb, openLinkInBrowser},
      {"a foreign link's new window is the browser", openLinkInNewWindow, ContextLink::foreignWeb,
       openLinkInBrowser},
      {"no download of a foreign page", downloadLinkedFile, ContextLink::foreignWeb, remove},
      {"a mail link is not opened here", openLink, ContextLink::other, remove},
      {"nor saved", downloadLinkedFile, ContextLink::other, remove},
      {"no image window", openImageInNewWindow, ContextLink::none, remove},
      {"no frame window", openFrameInNewWindow, ContextLink::none, remove},
      {"no media window", openMediaInNewWindow, ContextLink::none, remove},
      {"copy and the rest stay", other, ContextLink::foreignWeb, keep},
  };
  for (const Row& row : rows)
    EXPECT_EQ(contextMenuChange(row.entry, row.link), row.expected) << row.name;
}

} // namespace
} // namespace velmora
