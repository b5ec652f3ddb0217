// The real application downloading from the sample platform into the
// Downloads folder named by the temporary home's XDG user dirs.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// Plays the desktop's file manager and records the files it is asked to
// show, one list of URIs per request.
class FakeFileManager {
public:
  std::vector<std::vector<std::string>> shownItems;

private:
  BusService service_{"org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                      R"(<node><interface name="org.freedesktop.FileManager1">
                           <method name="ShowItems">
                             <arg type="as" direction="in"/><arg type="s" direction="in"/>
                           </method>
                         </interface></node>)",
                      [this](const std::string&, GVariant* parameters) -> GVariant* {
                        const char** uris = nullptr;
                        g_variant_get(parameters, "(^a&s&s)", &uris, nullptr);
                        shownItems.emplace_back(uris,
                                                uris + g_strv_length(const_cast<char**>(uris)));
                        g_free(uris);
                        return nullptr;
                      }};
};

// Two files of the same name together, then one after another, end as
// whole files numbered apart, with the dock's progress bar while they arrive
// and the file manager showing the newest. A saved file leaves a note over
// the window, and the Downloads window from the Window menu lists it and
// follows a download as it arrives, as a screen reader reads them.
TEST(DownloadsE2ETest, FilesArriveWholeUnderTheirOwnNamesWithProgressANoteAndTheDownloadsWindow) {
  FakeFileManager fileManager;
  LauncherEntryWatcher dock;
  PlatformSession downloading;
  downloading.launch({"env", "GTK_A11Y=atspi"});
  const int pid = downloading.app->process().pid();
  const fs::path downloads = downloading.home.downloads();
  // The file as the platform serves it, fetched apart from the app.
  const auto served = [&](const std::string& path) {
    const fs::path copy = downloading.home.root() / "served";
    runCommand({"curl", "-s", "-o", copy.string(), downloading.platform.url() + path});
    std::string bytes = readFile(copy);
    fs::remove(copy);
    return bytes;
  };
  const std::string archive = served("/files/fleet-archive.zip");
  const std::string invoice = served("/files/invoice.pdf");
  ASSERT_EQ(archive.size(), 4U * 1024 * 1024);
  ASSERT_FALSE(invoice.empty());
  // The folder the user dirs name is made when the first download needs it.
  fs::remove_all(downloads);

  downloading.open("/downloads?start=fleet-archive.zip,fleet-archive.zip");
  ASSERT_TRUE(waitUntil(
      [&] {
        if (!fs::is_directory(downloads))
          return false;
        const auto names = namesIn(downloads);
        return names.size() == 2 && std::ranges::all_of(names, [&](const auto& name) {
                 return readFile(downloads / name) == archive;
               });
      },
      30s))
      << ::testing::PrintToString(namesIn(downloads));
  // The bar rises while the files arrive and goes once both are done.
  std::vector<LauncherEntryWatcher::Update> updates;
  ASSERT_TRUE(waitUntil([&] {
    updates = dock.progressUpdates();
    return !updates.empty() && !*updates.back().progressVisible;
  }));
  EXPECT_TRUE(std::ranges::any_of(updates,
                                  [](const auto& update) {
                                    return *update.progressVisible && update.progress > 0 &&
                                           update.progress < 1;
                                  }))
      << updates.size() << " updates, none part of the way";
  EXPECT_TRUE(*updates.front().progressVisible);
  EXPECT_EQ(std::ranges::count_if(updates, [](const auto& u) { return !*u.progressVisible; }), 1)
      << "hidden only once, when the last download ended";

  downloading.open("/files/invoice.pdf");
  ASSERT_TRUE(waitUntil([&] { return readFile(downloads / "invoice.pdf") == invoice; }))
      << ::testing::PrintToString(namesIn(downloads));
  EXPECT_TRUE(waitForAccessible(pid, "label", "invoice.pdf saved in Downloads"))
      << "no note for the saved file";
  screenshot("download-note");
  EXPECT_TRUE(waitForAccessible(pid, "push button", "Show in Folder"));
  downloading.open("/files/invoice.pdf");
  ASSERT_TRUE(waitUntil([&] { return readFile(downloads / "invoice-2.pdf") == invoice; }))
      << ::testing::PrintToString(namesIn(downloads));
  // Files finishing this close together are not each shown: the file manager
  // ends on the newest, once its interval allows.
  const auto& shown = fileManager.shownItems;
  const std::vector<std::string> newest{
      takeString(g_filename_to_uri((downloads / "invoice-2.pdf").c_str(), nullptr, nullptr))};
  ASSERT_TRUE(waitUntil([&] { return !shown.empty() && shown.back() == newest; }, 30s))
      << shown.size() << " shown";
  EXPECT_EQ(namesIn(downloads),
            (std::vector<std::string>{"fleet-archive-2.zip", "fleet-archive.zip", "invoice-2.pdf",
                                      "invoice.pdf"}));

  ASSERT_TRUE(downloading.app->activate("win.downloads"));
  ASSERT_FALSE(waitForWindow("^Downloads$").empty());
  EXPECT_TRUE(waitForAccessible(pid, "label", "Saved in Downloads"));
  EXPECT_TRUE(waitForAccessible(pid, "push button", "Open"));
  screenshot("downloads-window");
  // An open list follows a download as it arrives (4 MiB over 1.6 s).
  downloading.open("/files/fleet-archive.zip");
  EXPECT_TRUE(waitUntil([&] {
    return std::ranges::any_of(accessibleTree(pid), [](const AccessibleNode& node) {
      return node.role == "label" && node.name.ends_with(" of 4.2 MB") &&
             !node.name.starts_with("4.2 MB");
    });
  })) << "no progress while the archive arrived";
  screenshot("downloads-window-progress");
}

} // namespace
} // namespace velmora::testing
