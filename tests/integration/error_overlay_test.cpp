// The error screen as the user meets it: drawn over the page when the server
// cannot be reached, one at a time, following the window's size, and left
// through "Try Again" (also the Return key) or "Change Server…".
#include "engine_window.hpp"
#include "http_controller.hpp"

#include <regex>

namespace velmora::testing {
namespace {

GtkWidget* findWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
  if (match(root))
    return root;
  for (GtkWidget* child = gtk_widget_get_first_child(root); child;
       child = gtk_widget_get_next_sibling(child)) {
    if (GtkWidget* found = findWidget(child, match))
      return found;
  }
  return nullptr;
}

GtkWidget* labelSaying(GtkWindow* window, const std::string& prefix) {
  return findWidget(GTK_WIDGET(window), [&](GtkWidget* w) {
    return GTK_IS_LABEL(w) && std::string(gtk_label_get_text(GTK_LABEL(w))).starts_with(prefix);
  });
}

GtkWidget* button(GtkWindow* window, const std::string& title) {
  return findWidget(GTK_WIDGET(window), [&](GtkWidget* w) {
    return GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w)) &&
           title == gtk_button_get_label(GTK_BUTTON(w));
  });
}

int overlayCount(GtkWindow* window) {
  int count = 0;
  findWidget(GTK_WIDGET(window), [&](GtkWidget* w) {
    if (gtk_widget_has_css_class(w, "velmora-error-overlay"))
      ++count;
    return false;
  });
  return count;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// The main window's place on the X screen.
std::optional<Geometry> windowGeometry() {
  const std::string ids = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  if (ids.empty())
    return std::nullopt;
  const std::string text =
      runCommand({"xdotool", "getwindowgeometry", "--shell", ids.substr(0, ids.find('\n'))});
  Geometry g;
  std::smatch m;
  for (auto [key, field] :
       {std::pair{"X", &g.x}, {"Y", &g.y}, {"WIDTH", &g.width}, {"HEIGHT", &g.height}}) {
    if (!std::regex_search(text, m, std::regex(std::string(key) + "=(\\d+)")))
      return std::nullopt;
    *field = std::stoi(m[1]);
  }
  return g;
}

// The colour of one screen pixel as "R,G,B" (0-255).
std::string pixel(const std::filesystem::path& shot, int x, int y) {
  const std::string text = runCommand(
      {"convert", shot.string(), "-crop", "1x1+" + std::to_string(x) + "+" + std::to_string(y),
       "-format", "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]", "info:"});
  return text;
}

std::filesystem::path screenshotPath(const std::string& name) {
  const char* folder = g_getenv("VELMORA_SCREENSHOT_DIR");
  return std::filesystem::path(folder ? folder : "/tmp/velmora-screenshots") / (name + ".png");
}

constexpr const char* overlayColour = "12,14,18";

class ErrorOverlayEngineTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(window.waitForPage(platform.url() + "/login")); }
  // Makes the server drop every connection and starts a load that fails.
  void failALoad(const std::string& path) {
    ASSERT_EQ(platform.control("down=1"), 200);
    window.load(platform.url() + path);
  }
  [[nodiscard]] bool overlayShown() {
    return waitUntil([&] { return window.controller->hasErrorOverlay(); });
  }

  SamplePlatform platform;
  EngineWindow window{platform.url()};
};

TEST_F(ErrorOverlayEngineTest, CoversTheWindowAndTryAgainLoadsTheSignInPageOnceTheServerIsBack) {
  failALoad("/dashboard");
  ASSERT_TRUE(overlayShown());
  ASSERT_NE(labelSaying(window.gtkWindow(), "Can\u2019t reach the dispatch server"), nullptr);
  GtkWidget* message = findWidget(GTK_WIDGET(window.gtkWindow()), [](GtkWidget* w) {
    return GTK_IS_LABEL(w) && gtk_widget_has_css_class(w, "velmora-overlay-message");
  });
  ASSERT_NE(message, nullptr);
  EXPECT_NE(std::string(gtk_label_get_text(GTK_LABEL(message)))
                .find("\n\nCheck your internet connection."),
            std::string::npos);

  ASSERT_TRUE(waitUntil([] { return windowGeometry().has_value(); }));
  const Geometry g = *windowGeometry();
  const auto shot = screenshotPath("error-overlay");
  // Drawn over the whole content area, corner to corner.
  EXPECT_TRUE(waitUntil(
      [&] {
        screenshot(shot);
        return pixel(shot, g.x + 12, g.y + g.height - 12) == overlayColour &&
               pixel(shot, g.x + g.width - 12, g.y + g.height - 12) == overlayColour;
      },
      10s))
      << shot;

  ASSERT_EQ(platform.control("down=0"), 200);
  const size_t before = platform.requests().size();
  g_signal_emit_by_name(button(window.gtkWindow(), "Try Again"), "clicked");
  EXPECT_FALSE(window.controller->hasErrorOverlay());
  ASSERT_TRUE(platform.waitForRequest([](auto& r) { return r.path == "/login"; }, 20s, before))
      << "Try Again loads the sign-in page, not the page that failed";
  EXPECT_TRUE(window.waitForPage(platform.url() + "/login"));
  EXPECT_EQ(overlayCount(window.gtkWindow()), 0);
}

TEST_F(ErrorOverlayEngineTest, TwoFailuresInARowLeaveOneOverlayAndChangeServerRemovesIt) {
  failALoad("/dashboard");
  ASSERT_TRUE(overlayShown());
  window.load(platform.url() + "/jobs");
  // The second load's start took the first overlay away; its failure brings
  // exactly one back.
  EXPECT_TRUE(waitUntil([&] {
    return window.controller->hasErrorOverlay() && !webkit_web_view_is_loading(window.webView());
  }));
  EXPECT_EQ(overlayCount(window.gtkWindow()), 1);

  g_signal_emit_by_name(button(window.gtkWindow(), "Change Server\u2026"), "clicked");
  EXPECT_FALSE(window.controller->hasErrorOverlay());
  EXPECT_EQ(overlayCount(window.gtkWindow()), 0);
  EXPECT_NE(window.alerts.current(), nullptr) << "the address panel is open";
}

TEST_F(ErrorOverlayEngineTest, ReturnPressesTryAgainWhateverHasTheFocus) {
  failALoad("/dashboard");
  ASSERT_TRUE(overlayShown());
  ASSERT_EQ(platform.control("down=0"), 200);
  // The keyboard focus goes back to the covered page, as a click there
  // before the failure would have left it.
  gtk_widget_set_can_focus(GTK_WIDGET(window.webView()), TRUE);
  gtk_widget_grab_focus(GTK_WIDGET(window.webView()));
  const size_t before = platform.requests().size();
  const std::string id = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  ASSERT_FALSE(id.empty());
  (void)runCommand({"xdotool", "windowfocus", "--sync", id.substr(0, id.find('\n'))});
  (void)runCommand({"xdotool", "key", "Return"});

  ASSERT_TRUE(platform.waitForRequest([](auto& r) { return r.path == "/login"; }, 20s, before));
  EXPECT_FALSE(window.controller->hasErrorOverlay());
}

TEST_F(ErrorOverlayEngineTest, FollowsTheWindowWhenItIsResized) {
  failALoad("/dashboard");
  ASSERT_TRUE(overlayShown());
  ASSERT_TRUE(waitUntil([] { return windowGeometry().has_value(); }));
  const std::string id = runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Velmora$"});
  for (auto [width, height] : {std::pair{1300, 900}, {760, 560}}) {
    GtkWidget* cover = findWidget(GTK_WIDGET(window.gtkWindow()), [](GtkWidget* w) {
      return gtk_widget_has_css_class(w, "velmora-error-overlay");
    });
    ASSERT_NE(cover, nullptr);
    GtkWidget* layer = gtk_widget_get_parent(cover);
    const int layerWidth = gtk_widget_get_width(layer);
    (void)runCommand({"xdotool", "windowsize", id.substr(0, id.find('\n')), std::to_string(width),
                      std::to_string(height)});
    // Laid out anew at the new size, with the cover filling the layer.
    ASSERT_TRUE(waitUntil([&] {
      return gtk_widget_get_width(layer) != layerWidth &&
             gtk_widget_get_width(cover) == gtk_widget_get_width(layer) &&
             gtk_widget_get_height(cover) == gtk_widget_get_height(layer);
    })) << width;
    GtkWidget* column = gtk_widget_get_first_child(cover);
    graphene_rect_t bounds;
    ASSERT_TRUE(gtk_widget_compute_bounds(column, cover, &bounds));
    EXPECT_LE(bounds.size.width, 460.5f) << width;
    EXPECT_NEAR(bounds.origin.x + bounds.size.width / 2, gtk_widget_get_width(cover) / 2.0, 1.0)
        << width;
    EXPECT_NEAR(bounds.origin.y + bounds.size.height / 2, gtk_widget_get_height(cover) / 2.0, 1.0)
        << height;

    // And drawn so, up to the window's far corner.
    const auto shot = screenshotPath("error-overlay-" + std::to_string(width));
    EXPECT_TRUE(waitUntil(
        [&] {
          const auto g = windowGeometry();
          screenshot(shot);
          return g && pixel(shot, g->x + g->width - 12, g->y + g->height - 12) == overlayColour;
        },
        10s))
        << shot;
  }
}

// The engine never contacts some ports (6000 is X11's, 6667 IRC's) and
// shows an empty page instead of failing; the user must see why.
TEST(RestrictedPortEngineTest, AnAddressOnARefusedPortShowsTheOverlay) {
  EngineWindow window("http://127.0.0.1:6667");
  ASSERT_TRUE(waitUntil([&] { return window.controller->hasErrorOverlay(); }));
  EXPECT_NE(labelSaying(window.gtkWindow(), "Can\u2019t reach the dispatch server"), nullptr);
  EXPECT_NE(labelSaying(window.gtkWindow(), "Not allowed to use restricted network port"), nullptr);
  EXPECT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(window.webView()); }));
  EXPECT_TRUE(window.controller->hasErrorOverlay()) << "the empty page's finish hides nothing";
}

TEST(CertificateEngineTest, AnUntrustedCertificateShowsTheOverlay) {
  TempHome keys;
  SamplePlatform platform(selfSignedTls(keys));
  ASSERT_TRUE(platform.url().starts_with("https://"));

  EngineWindow window(platform.url());
  ASSERT_TRUE(waitUntil([&] { return window.controller->hasErrorOverlay(); }));
  EXPECT_NE(labelSaying(window.gtkWindow(), "Can\u2019t reach the dispatch server"), nullptr);
  EXPECT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(window.webView()); }));
  EXPECT_TRUE(window.controller->hasErrorOverlay()) << "the stray finish after the failure";
  EXPECT_TRUE(platform.requests().empty()) << "no request was sent over the untrusted line";
  screenshot(screenshotPath("certificate-overlay"));
}

} // namespace
} // namespace velmora::testing
