#include "gtk/services.hpp"

namespace velmora::gtk {
namespace {

struct PendingAlert {
  std::function<void(const AlertResponse&)> completion;
  GtkWidget* field = nullptr;
  // What Escape and the close box answer: the "Cancel" button, or the only
  // button. None when every button means something (Connect / Quit), so a
  // stray Escape cannot quit the application.
  std::optional<int> dismissCode;
  AlertId id = 0;
  std::shared_ptr<std::map<AlertId, GtkWidget*>> open;

  ~PendingAlert() { open->erase(id); }
};

constexpr const char* pendingKey = "velmora-pending-alert";

std::optional<int> dismissCodeFor(const std::vector<std::string>& buttons) {
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == "Cancel")
      return alertFirstButtonReturn + static_cast<int>(i);
  if (buttons.size() == 1)
    return alertFirstButtonReturn;
  return std::nullopt;
}

gboolean onCloseRequest(GtkWindow*, gpointer data) {
  // Handled (kept open) when there is nothing that closing could answer.
  return static_cast<PendingAlert*>(data)->dismissCode ? FALSE : TRUE;
}

void onResponse(GtkDialog* dialog, int responseId, gpointer data) {
  auto* pending = static_cast<PendingAlert*>(data);
  if (responseId < alertFirstButtonReturn && !pending->dismissCode)
    return;
  AlertResponse response;
  response.code = responseId >= alertFirstButtonReturn ? responseId : *pending->dismissCode;
  if (pending->field)
    response.fieldText = gtk_editable_get_text(GTK_EDITABLE(pending->field));
  auto completion = std::move(pending->completion);
  gtk_window_destroy(GTK_WINDOW(dialog));
  if (completion)
    completion(response);
}

} // namespace

AlertId GtkAlerts::runModal(const Alert& alert,
                            std::function<void(const AlertResponse&)> completion) {
  GtkWindow* parent = gtk_application_get_active_window(app_);
  GtkWidget* dialog = gtk_message_dialog_new(
      parent, GTK_DIALOG_MODAL,
      alert.style == Alert::Style::informational ? GTK_MESSAGE_INFO : GTK_MESSAGE_WARNING,
      GTK_BUTTONS_NONE, "%s", alert.messageText.c_str());
  if (!alert.informativeText.empty())
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                             alert.informativeText.c_str());
  // Message dialogs draw no title bar; the title is what screen readers and
  // window lists name the dialog by, and the message says what it is about.
  gtk_window_set_title(GTK_WINDOW(dialog), alert.messageText.c_str());

  const AlertId id = ++lastId_;
  auto* pending = new PendingAlert{std::move(completion), nullptr, std::nullopt, id, open_};
  (*open_)[id] = dialog;
  g_object_set_data(G_OBJECT(dialog), pendingKey, pending);
  const std::vector<std::string> buttons =
      alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
  GtkWidget* first = nullptr;
  for (size_t i = 0; i < buttons.size(); ++i) {
    const int code = alertFirstButtonReturn + static_cast<int>(i);
    GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), buttons[i].c_str(), code);
    // Left to itself, GTK 4.8 names a dialog's button twice over for screen
    // readers ("Connect Connect"): by its mnemonic label and by its text.
    gtk_accessible_reset_relation(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_RELATION_LABELLED_BY);
    gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   buttons[i].c_str(), -1);
    if (i == 0)
      first = button;
  }
  pending->dismissCode = dismissCodeFor(buttons);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), alertFirstButtonReturn);

  if (alert.accessory) {
    GtkWidget* field = gtk_entry_new();
    gtk_editable_set_text(GTK_EDITABLE(field), alert.accessory->stringValue.c_str());
    gtk_entry_set_placeholder_text(GTK_ENTRY(field), alert.accessory->placeholderString.c_str());
    gtk_widget_set_size_request(field, alert.accessory->width, alert.accessory->height);
    // Still selectable, so the address can be copied.
    gtk_editable_set_editable(GTK_EDITABLE(field), alert.accessory->editable);
    // The placeholder is no name: screen readers call the field by the
    // question it answers.
    gtk_accessible_update_property(GTK_ACCESSIBLE(field), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   alert.messageText.c_str(), -1);
    // Return in the field confirms, like the first button.
    gtk_entry_set_activates_default(GTK_ENTRY(field), TRUE);
    gtk_box_append(GTK_BOX(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog))), field);
    pending->field = field;
  }

  g_signal_connect(dialog, "close-request", G_CALLBACK(onCloseRequest), pending);
  g_signal_connect_data(
      dialog, "response", G_CALLBACK(onResponse), pending,
      [](gpointer data, GClosure*) { delete static_cast<PendingAlert*>(data); }, GConnectFlags(0));
  gtk_window_present(GTK_WINDOW(dialog));
  // Without this, Return may press whichever button happens to hold focus.
  if (pending->field) {
    gtk_widget_grab_focus(pending->field);
  } else if (first) {
    gtk_widget_grab_focus(first);
  }
  return id;
}

void GtkAlerts::dismiss(AlertId alert) {
  const auto found = open_->find(alert);
  if (found == open_->end())
    return;
  GtkWidget* dialog = found->second;
  // Unanswered: the completion goes with the dialog without running.
  static_cast<PendingAlert*>(g_object_get_data(G_OBJECT(dialog), pendingKey))->completion = nullptr;
  gtk_window_destroy(GTK_WINDOW(dialog));
}

} // namespace velmora::gtk
