// The GTK alerts as a user meets them, keys and all.
#include "gtk/services.hpp"
#include "processes.hpp"

#include <gtest/gtest.h>

namespace velmora::gtk {
namespace {

using velmora::testing::waitUntil;

class GtkAlertsTest : public ::testing::Test {
protected:
  void SetUp() override {
    gtk_init();
    app = gtk_application_new("com.haulvane.VelmoraAlertsTest", G_APPLICATION_NON_UNIQUE);
  }
  void TearDown() override {
    // Close whatever a failed test left open.
    while (GtkMessageDialog* left = dialog())
      gtk_window_destroy(GTK_WINDOW(left));
    g_object_unref(app);
  }

  // The open alert, once it is on screen; null when none is.
  static GtkMessageDialog* dialog() {
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
      auto* window = static_cast<GtkWindow*>(g_list_model_get_item(toplevels, i));
      g_object_unref(window);
      if (GTK_IS_MESSAGE_DIALOG(window) && gtk_widget_get_mapped(GTK_WIDGET(window)))
        return GTK_MESSAGE_DIALOG(window);
    }
    return nullptr;
  }

  std::optional<AlertResponse> run(const Alert& alert, const std::function<void()>& act) {
    std::optional<AlertResponse> answer;
    GtkAlerts alerts(app);
    alerts.runModal(alert, [&](const AlertResponse& response) { answer = response; });
    EXPECT_TRUE(waitUntil([] { return dialog() != nullptr; }));
    if (dialog())
      act();
    EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }, std::chrono::seconds(5)));
    return answer;
  }

  static Alert panel() {
    Alert alert;
    alert.messageText = "Server address";
    alert.buttons = {"Connect", "Cancel"};
    alert.accessory =
        TextFieldAccessory{"https://acme.example.test", "dispatch.example.test", 340, 24};
    return alert;
  }

  GtkApplication* app = nullptr;
};

// Return in the focused field confirms with the typed text; Escape answers
// as Cancel, or as the only button when there is none.
TEST_F(GtkAlertsTest, ReturnConfirmsWithTheTypedTextAndEscapeAnswersAsCancelOrTheOnlyButton) {
  const auto typed = run(panel(), [] {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog()));
    ASSERT_TRUE(focus && (GTK_IS_TEXT(focus) || GTK_IS_ENTRY(focus))) << "the field has the focus";
    gtk_editable_set_text(GTK_EDITABLE(focus), "typed.example.test");
    g_signal_emit_by_name(focus, "activate"); // Return's key binding
  });
  ASSERT_TRUE(typed);
  EXPECT_EQ(typed->code, alertFirstButtonReturn);
  EXPECT_EQ(typed->fieldText, "typed.example.test");

  for (const auto& buttons :
       {std::vector<std::string>{"Connect", "Cancel"}, std::vector<std::string>{}}) {
    Alert alert = panel();
    alert.buttons = buttons;
    const auto answer = run(alert, [] { g_signal_emit_by_name(dialog(), "close"); });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->code, buttons.empty() ? alertFirstButtonReturn : alertSecondButtonReturn);
    EXPECT_EQ(answer->fieldText, "https://acme.example.test");
  }
}

// Neither Escape nor closing the window answers Quit on the first-run
// panel; only the application takes it away, and then without an answer.
TEST_F(GtkAlertsTest, OnlyTheApplicationTakesTheFirstRunPanelAwayAndWithoutAnAnswer) {
  Alert alert = panel();
  alert.buttons = {"Connect", "Quit"};
  bool answered = false;
  GtkAlerts alerts(app);
  const AlertId id = alerts.runModal(alert, [&](const AlertResponse&) { answered = true; });
  ASSERT_TRUE(waitUntil([] { return dialog() != nullptr; }));
  g_signal_emit_by_name(dialog(), "close");
  gtk_window_close(GTK_WINDOW(dialog()));
  waitUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_NE(dialog(), nullptr) << "the panel went away";
  alerts.dismiss(id);
  EXPECT_TRUE(waitUntil([] { return dialog() == nullptr; }));
  alerts.dismiss(id); // gone already: nothing happens
  EXPECT_FALSE(answered);
}

TEST_F(GtkAlertsTest, ShowsTheTextsStyleAndButtonsInOrder) {
  Alert alert;
  alert.messageText = "Connect to example.test?";
  alert.informativeText = "This computer will use https://example.test.";
  alert.buttons = {"Connect", "Cancel"};
  alert.style = Alert::Style::informational;
  const auto answer = run(alert, [] {
    GtkMessageDialog* shown = dialog();
    GtkMessageType type{};
    char* text = nullptr;
    char* secondary = nullptr;
    g_object_get(shown, "message-type", &type, "text", &text, "secondary-text", &secondary,
                 nullptr);
    EXPECT_EQ(type, GTK_MESSAGE_INFO);
    EXPECT_STREQ(text, "Connect to example.test?");
    EXPECT_STREQ(secondary, "This computer will use https://example.test.");
    g_free(text);
    g_free(secondary);
    GtkWidget* cancel =
        gtk_dialog_get_widget_for_response(GTK_DIALOG(shown), alertSecondButtonReturn);
    ASSERT_TRUE(cancel);
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(cancel)), "Cancel");
    gtk_widget_activate(cancel);
  });
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->code, alertSecondButtonReturn);
}

} // namespace
} // namespace velmora::gtk
