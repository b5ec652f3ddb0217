// The real application under a Wayland compositor: headless weston, with
// no X display given to the application. The compositor has no seat, so
// nothing is typed here; the keyboard is tested on X.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(WaylandE2ETest, TheSignInPageAndTheMenusWorkUnderAWaylandCompositor) {
  PlatformSession session;
  // The compositor's socket lives in a runtime folder only its user may
  // enter.
  const auto runtime = session.home.root() / "runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  const std::string socket = "velmora-wayland-test";
  Process compositor({"weston", "--backend=headless-backend.so", "--use-pixman",
                      "--socket=" + socket, "--idle-time=0",
                      "--log=" + (runtime / "weston.log").string()},
                     {{"XDG_RUNTIME_DIR", runtime.string()}});
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(runtime / socket); }))
      << "weston did not start";
  const std::vector<std::string> onWayland{"env",
                                           "-u",
                                           "DISPLAY",
                                           "WAYLAND_DISPLAY=" + socket,
                                           "GDK_BACKEND=wayland",
                                           "XDG_RUNTIME_DIR=" + runtime.string()};

  session.launch(onWayland); // waits for the sign-in page
  EXPECT_TRUE(visibleWindow(mainWindowTitle).empty()) << "the window went to the X display";
  std::optional<std::vector<ExportedMenuItem>> bar;
  EXPECT_TRUE(waitUntil([&] { return (bar = readExportedMenuBar()) && bar->size() == 6; }))
      << "the menus are not exported";
}

} // namespace
} // namespace velmora::testing
