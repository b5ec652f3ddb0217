#include "gtk/shortcuts_window.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <string>
#include <vector>

namespace velmora::gtk {
namespace {

struct Shortcut {
  std::string title;
  std::string accelerators; // space-separated, as GtkShortcutsShortcut reads them
};

std::string escaped(const std::string& text) {
  return takeString(g_markup_escape_text(text.c_str(), -1));
}

std::string stringAttribute(GMenuModel* model, int index, const char* name) {
  char* value = nullptr;
  if (!g_menu_model_get_item_attribute(model, index, name, "s", &value))
    return {};
  return takeString(value);
}

// A label drawn with mnemonics: "__" is a plain underscore, a single one
// marks the mnemonic.
std::string plainLabel(const std::string& label) {
  std::string plain;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '_' && i + 1 < label.size() && label[i + 1] == '_') {
      plain += '_';
      ++i;
    } else if (label[i] != '_') {
      plain += label[i];
    }
  }
  return plain;
}

// Every item of `menu` and its sections that has an accelerator.
void collect(GtkApplication* app, GMenuModel* menu, std::vector<Shortcut>& into) {
  for (int i = 0; i < g_menu_model_get_n_items(menu); ++i) {
    if (const auto section = GObjectPtr<GMenuModel>::adopt(
            g_menu_model_get_item_link(menu, i, G_MENU_LINK_SECTION))) {
      collect(app, section.get(), into);
      continue;
    }
    const std::string action = stringAttribute(menu, i, G_MENU_ATTRIBUTE_ACTION);
    if (action.empty())
      continue;
    const GStrvPtr accels(gtk_application_get_accels_for_action(app, action.c_str()));
    const std::string keys = takeString(g_strjoinv(" ", accels.get()));
    if (!keys.empty())
      into.push_back({plainLabel(stringAttribute(menu, i, G_MENU_ATTRIBUTE_LABEL)), keys});
  }
}

// GtkShortcutsWindow is only fully built from a builder description: its
// sections and groups are laid out as they are added there.
std::string describe(GtkApplication* app) {
  std::string xml = "<interface><object class=\"GtkShortcutsWindow\" id=\"shortcuts\">"
                    "<property name=\"modal\">1</property>"
                    // Its header draws a title of its own; window lists and
                    // screen readers read this one.
                    "<property name=\"title\">Keyboard Shortcuts</property><child>"
                    "<object class=\"GtkShortcutsSection\">"
                    "<property name=\"section-name\">shortcuts</property>"
                    "<property name=\"max-height\">14</property>";
  GMenuModel* bar = gtk_application_get_menubar(app);
  for (int i = 0; bar && i < g_menu_model_get_n_items(bar); ++i) {
    const auto submenu =
        GObjectPtr<GMenuModel>::adopt(g_menu_model_get_item_link(bar, i, G_MENU_LINK_SUBMENU));
    if (!submenu)
      continue;
    std::vector<Shortcut> shortcuts;
    collect(app, submenu.get(), shortcuts);
    if (shortcuts.empty())
      continue;
    xml += "<child><object class=\"GtkShortcutsGroup\"><property name=\"title\">" +
           escaped(stringAttribute(bar, i, G_MENU_ATTRIBUTE_LABEL)) + "</property>";
    for (const Shortcut& shortcut : shortcuts) {
      xml += "<child><object class=\"GtkShortcutsShortcut\"><property name=\"title\">" +
             escaped(shortcut.title) + "</property><property name=\"accelerator\">" +
             escaped(shortcut.accelerators) + "</property></object></child>";
    }
    xml += "</object></child>";
  }
  return xml + "</object></child></object></interface>";
}

} // namespace

void showShortcutsWindow(GtkApplication* app, GtkWindow* parent) {
  for (GList* window = gtk_application_get_windows(app); window; window = window->next) {
    if (GTK_IS_SHORTCUTS_WINDOW(window->data)) {
      gtk_window_present(GTK_WINDOW(window->data));
      return;
    }
  }
  const std::string xml = describe(app);
  GObjectPtr<GtkBuilder> builder =
      GObjectPtr<GtkBuilder>::adopt(gtk_builder_new_from_string(xml.c_str(), -1));
  GtkWindow* shown = GTK_WINDOW(gtk_builder_get_object(builder.get(), "shortcuts"));
  if (!shown)
    return;
  // Kept among the application's windows, where the next request finds it.
  gtk_window_set_application(shown, app);
  if (parent)
    gtk_window_set_transient_for(shown, parent);
  gtk_window_present(shown);
}

} // namespace velmora::gtk
