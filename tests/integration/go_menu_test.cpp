// The Go menu as GTK draws it, filled from a real page in the real engine.
#include "app/app_delegate.hpp"
#include "engine_window.hpp"
#include "gtk/menu_bar.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// The texts of every label GTK made for the menu model, in order, as drawn:
// a mnemonic underscore is not part of a label's text.
void collectLabels(GtkWidget* widget, std::vector<std::string>& labels) {
  if (GTK_IS_LABEL(widget))
    labels.emplace_back(gtk_label_get_text(GTK_LABEL(widget)));
  for (GtkWidget* child = gtk_widget_get_first_child(widget); child;
       child = gtk_widget_get_next_sibling(child))
    collectLabels(child, labels);
}

TEST(GoMenuEngineTest, OddLinksAllReachTheMenuAndItsLabelsAreDrawnAsWritten) {
  SamplePlatform platform;
  gtk::DrawnMenuBar drawn = gtk::drawMenuBar(testApplication(), buildMenu());
  EngineWindow window{platform.url(), nullptr, drawn.goMenu.get()};
  drawn.goMenu->attach(GTK_APPLICATION_WINDOW(window.gtkWindow()), [&](Action, GVariant* target) {
    window.controller->bridge().goToPath(Url::parse(g_variant_get_string(target, nullptr)));
  });

  ASSERT_TRUE(window.waitForPage(platform.url() + "/login"));
  window.load(platform.url() + "/bridge/odd");
  ASSERT_TRUE(waitUntil([&] { return drawn.goMenu->numberOfItems() == 5; }))
      << drawn.goMenu->numberOfItems() << " items";

  GMenuModel* go = g_menu_model_get_item_link(G_MENU_MODEL(drawn.bar.get()), 3, "submenu");
  GtkWidget* popover = gtk_popover_menu_new_from_model(go);
  g_object_ref_sink(popover);
  std::vector<std::string> labels;
  collectLabels(popover, labels);
  g_object_unref(popover);
  g_object_unref(go);
  for (const char* label : {"Open jobs", "Tow_Log", "Drivers", "Sign_out"})
    EXPECT_NE(std::ranges::find(labels, label), labels.end())
        << label << " in " << ::testing::PrintToString(labels);

  // The first entry, Ctrl+1, opens the address with brackets.
  const size_t before = platform.requests().size();
  g_action_group_activate_action(G_ACTION_GROUP(window.gtkWindow()), "goToPath-1", nullptr);
  const auto opened = platform.waitForRequest(
      [](const LoggedRequest& r) { return r.path == "/jobs"; }, 20s, before);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->query, "status%5B%5D=open");
}

} // namespace
} // namespace velmora::testing
