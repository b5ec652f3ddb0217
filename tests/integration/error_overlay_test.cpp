// The error screen as the user meets it, drawn by GTK over the real engine.
#include "engine_window.hpp"
#include "http_controller.hpp"

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

GtkWidget* overlayIn(GtkWindow* window) {
  return findWidget(GTK_WIDGET(window), [](GtkWidget* w) {
    return gtk_widget_has_css_class(w, "velmora-error-overlay");
  });
}

constexpr const char* overlayColour = "12,14,18";

class ErrorOverlayEngineTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(window.waitForPage(platform.url() + "/login")); }
  SamplePlatform platform;
  EngineWindow window{platform.url()};
};

// The screen says why, covers the whole window at any size with its text in
// the middle, and Return presses Try Again wherever the keyboard is; that
// loads the sign-in page, not the page that failed, and takes the screen
// away for good.
TEST_F(ErrorOverlayEngineTest, SaysWhyFollowsTheWindowAndReturnTriesAgainOnceTheServerIsBack) {
  ASSERT_EQ(platform.control("down=1"), 200);
  window.load(platform.url() + "/dashboard");
  ASSERT_TRUE(waitUntil([&] { return window.controller->pageLoads().hasErrorOverlay(); }));
  ASSERT_NE(labelSaying(window.gtkWindow(), "Can\u2019t reach the dispatch server"), nullptr);
  GtkWidget* message = findWidget(GTK_WIDGET(window.gtkWindow()), [](GtkWidget* w) {
    return GTK_IS_LABEL(w) && gtk_widget_has_css_class(w, "velmora-overlay-message");
  });
  ASSERT_NE(message, nullptr);
  EXPECT_NE(std::string(gtk_label_get_text(GTK_LABEL(message)))
                .find("\n\nCheck your internet connection."),
            std::string::npos);

  const std::string id = waitForWindow();
  ASSERT_FALSE(id.empty());
  for (auto [width, height] : {std::pair{1300, 900}, {760, 560}}) {
    GtkWidget* cover = overlayIn(window.gtkWindow());
    ASSERT_NE(cover, nullptr);
    GtkWidget* layer = gtk_widget_get_parent(cover);
    const int layerWidth = gtk_widget_get_width(layer);
    (void)runCommand({"xdotool", "windowsize", id, std::to_string(width), std::to_string(height)});
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
    EXPECT_TRUE(waitUntil(
        [&] {
          const auto drawn = windowSize(id);
          return drawn && pixelIn(id, drawn->width - 12, drawn->height - 12) == overlayColour;
        },
        10s))
        << width;
  }

  ASSERT_EQ(platform.control("down=0"), 200);
  // Return is the default button's key even where the keyboard is on the
  // other button.
  GtkWidget* other = findWidget(GTK_WIDGET(window.gtkWindow()), [](GtkWidget* w) {
    const char* label = GTK_IS_BUTTON(w) ? gtk_button_get_label(GTK_BUTTON(w)) : nullptr;
    return label && std::string(label) == "Change Server\u2026";
  });
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(gtk_widget_grab_focus(other));
  const size_t before = platform.requests().size();
  pressKeys(id, "Return");
  ASSERT_TRUE(platform.waitForRequest([](auto& r) { return r.path == "/login"; }, 20s, before));
  EXPECT_FALSE(window.controller->pageLoads().hasErrorOverlay());
  EXPECT_TRUE(window.waitForPage(platform.url() + "/login"));
  EXPECT_EQ(overlayIn(window.gtkWindow()), nullptr) << "the screen is gone, not hidden";
}

// Failures the engine meets before any page arrives; the stray finish that
// follows each must not take the overlay away.
TEST(UnreachableEngineTest, ARefusedPortOrAnUntrustedCertificateShowsTheOverlay) {
  TempHome keys;
  SamplePlatform selfSigned(selfSignedTls(keys));
  ASSERT_TRUE(selfSigned.url().starts_with("https://"));
  const std::pair<std::string, std::string> rows[] = {
      {"http://127.0.0.1:6667", "Not allowed to use restricted network port"},
      {selfSigned.url(), ""}}; // the reason in the engine's own words
  for (const auto& [server, reason] : rows) {
    SCOPED_TRACE(server);
    EngineWindow window(server);
    ASSERT_TRUE(waitUntil([&] { return window.controller->pageLoads().hasErrorOverlay(); }));
    EXPECT_NE(labelSaying(window.gtkWindow(), "Can\u2019t reach the dispatch server"), nullptr);
    if (!reason.empty()) {
      EXPECT_NE(labelSaying(window.gtkWindow(), reason), nullptr);
    }
    EXPECT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(window.webView()); }));
    EXPECT_TRUE(window.controller->pageLoads().hasErrorOverlay());
  }
  EXPECT_TRUE(selfSigned.requests().empty()) << "no request was sent over the untrusted line";
}

} // namespace
} // namespace velmora::testing
