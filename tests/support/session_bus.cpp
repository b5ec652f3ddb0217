#include "session_bus.hpp"

#include "glib_owners/glib_ptr.hpp"
#include "processes.hpp"

#include <gio/gio.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace velmora::testing {
namespace {

constexpr const char* applicationBusName = "com.haulvane.Velmora";

GObjectPtr<GDBusConnection> sessionBus() {
  return GObjectPtr<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
}

GVariantPtr callSync(GDBusConnection* bus, const std::string& path, const char* interface,
                     const char* method, GVariant* parameters) {
  return GVariantPtr(g_dbus_connection_call_sync(bus, applicationBusName, path.c_str(), interface,
                                                 method, parameters, nullptr,
                                                 G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
}

// GIO's clients fetch what they show with calls of their own, whose answers
// arrive through the main loop. A call of ours to the same interface, which
// the application answers after theirs on the same connection, followed by a
// drain of the main loop, makes sure those answers have been taken in.
void settle(GDBusConnection* bus, const std::string& path, const char* interface,
            const char* method, GVariant* parameters) {
  (void)callSync(bus, path, interface, method, parameters);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// Reads a menu model as a shell does, through GIO's own client: sections are
// flattened with a separator between non-empty ones; submenus nest.
class MenuReader {
public:
  MenuReader(GDBusConnection* bus, std::string path) : bus_(bus), path_(std::move(path)) {}

  std::vector<ExportedMenuItem> read(GMenuModel* model) {
    // Asking for the size starts the client's fetch of the menu's group.
    (void)g_menu_model_get_n_items(model);
    settle(bus_, path_, "org.gtk.Menus", "Start", g_variant_new("(au)", nullptr));
    std::vector<ExportedMenuItem> items;
    for (int i = 0; i < g_menu_model_get_n_items(model); ++i) {
      if (auto section = link(model, i, G_MENU_LINK_SECTION)) {
        auto inner = read(section.get());
        if (inner.empty())
          continue;
        if (!items.empty()) {
          ExportedMenuItem separator;
          separator.isSeparator = true;
          items.push_back(separator);
        }
        items.insert(items.end(), inner.begin(), inner.end());
        continue;
      }
      ExportedMenuItem item;
      item.label = stringAttribute(model, i, G_MENU_ATTRIBUTE_LABEL);
      item.action = stringAttribute(model, i, G_MENU_ATTRIBUTE_ACTION);
      if (auto submenu = link(model, i, G_MENU_LINK_SUBMENU))
        item.submenu = read(submenu.get());
      items.push_back(std::move(item));
    }
    return items;
  }

private:
  static GObjectPtr<GMenuModel> link(GMenuModel* model, int item, const char* name) {
    return GObjectPtr<GMenuModel>::adopt(g_menu_model_get_item_link(model, item, name));
  }
  static std::string stringAttribute(GMenuModel* model, int item, const char* name) {
    const GVariantPtr value(
        g_menu_model_get_item_attribute_value(model, item, name, G_VARIANT_TYPE_STRING));
    return value ? g_variant_get_string(value.get(), nullptr) : "";
  }

  GDBusConnection* bus_;
  std::string path_;
};

} // namespace

std::optional<std::vector<ExportedMenuItem>> readExportedMenuBar() {
  const char* path = "/com/haulvane/Velmora/menus/menubar";
  const auto bus = sessionBus();
  if (!bus)
    return std::nullopt;
  auto model =
      GObjectPtr<GDBusMenuModel>::adopt(g_dbus_menu_model_get(bus.get(), applicationBusName, path));
  auto bar = MenuReader(bus.get(), path).read(G_MENU_MODEL(model.get()));
  // A menu bar always has menus: none means nobody exports one yet.
  if (bar.empty())
    return std::nullopt;
  return bar;
}

std::optional<ActionDescription> describeAction(const std::string& objectPath,
                                                const std::string& name) {
  const auto bus = sessionBus();
  if (!bus)
    return std::nullopt;
  auto group = GObjectPtr<GDBusActionGroup>::adopt(
      g_dbus_action_group_get(bus.get(), applicationBusName, objectPath.c_str()));
  GActionGroup* actions = G_ACTION_GROUP(group.get());
  // Asking starts the client's fetch of every action's description.
  (void)g_action_group_has_action(actions, name.c_str());
  settle(bus.get(), objectPath, "org.gtk.Actions", "List", nullptr);
  if (!g_action_group_has_action(actions, name.c_str()))
    return std::nullopt;
  ActionDescription description;
  description.enabled = g_action_group_get_action_enabled(actions, name.c_str());
  if (GVariantPtr state{g_action_group_get_action_state(actions, name.c_str())};
      state && g_variant_is_of_type(state.get(), G_VARIANT_TYPE_BOOLEAN))
    description.booleanState = g_variant_get_boolean(state.get());
  return description;
}

// Activated with a call of our own rather than through GIO's client, which
// does not say whether the call arrived: tests wait on that to know the
// application is up.
bool activateAction(const std::string& objectPath, const std::string& name,
                    const std::optional<std::string>& stringParameter) {
  const auto bus = sessionBus();
  if (!bus)
    return false;
  GVariantBuilder parameters;
  g_variant_builder_init(&parameters, G_VARIANT_TYPE("av"));
  if (stringParameter)
    g_variant_builder_add(&parameters, "v", g_variant_new_string(stringParameter->c_str()));
  return callSync(bus.get(), objectPath, "org.gtk.Actions", "Activate",
                  g_variant_new("(sava{sv})", name.c_str(), &parameters, nullptr)) != nullptr;
}

struct LauncherEntryWatcher::State {
  GObjectPtr<GDBusConnection> bus;
  guint subscription = 0;
  std::vector<Update> updates;
};

LauncherEntryWatcher::LauncherEntryWatcher() : state_(std::make_unique<State>()) {
  state_->bus = sessionBus();
  if (!state_->bus)
    return;
  state_->subscription = g_dbus_connection_signal_subscribe(
      state_->bus.get(), nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
         gpointer data) {
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv})")))
          return;
        Update update;
        const char* uri = nullptr;
        GVariant* properties = nullptr;
        g_variant_get(parameters, "(&s@a{sv})", &uri, &properties);
        update.appUri = uri;
        // A value of another type than the shell expects counts as absent.
        gint64 count = 0;
        gboolean countVisible = FALSE, progressVisible = FALSE;
        double progress = 0;
        if (g_variant_lookup(properties, "count", "x", &count))
          update.count = count;
        if (g_variant_lookup(properties, "count-visible", "b", &countVisible))
          update.countVisible = countVisible;
        if (g_variant_lookup(properties, "progress", "d", &progress))
          update.progress = progress;
        if (g_variant_lookup(properties, "progress-visible", "b", &progressVisible))
          update.progressVisible = progressVisible;
        g_variant_unref(properties);
        static_cast<State*>(data)->updates.push_back(std::move(update));
      },
      state_.get(), nullptr);
}

LauncherEntryWatcher::~LauncherEntryWatcher() {
  if (state_->subscription)
    g_dbus_connection_signal_unsubscribe(state_->bus.get(), state_->subscription);
}

std::vector<LauncherEntryWatcher::Update>
LauncherEntryWatcher::updatesWith(std::optional<bool> Update::*visible) const {
  std::vector<Update> with;
  std::ranges::copy_if(state_->updates, std::back_inserter(with),
                       [&](const Update& update) { return (update.*visible).has_value(); });
  return with;
}

struct BusService::State {
  GObjectPtr<GDBusConnection> bus;
  GDBusNodeInfo* node = nullptr;
  std::string objectPath;
  Answer answer;
  guint registration = 0;
  guint owner = 0;
  bool owned = false;
  std::string lastCaller;
};

BusService::BusService(const std::string& busName, const std::string& objectPath,
                       const char* introspection, Answer answer)
    : state_(std::make_unique<State>()) {
  state_->bus = sessionBus();
  if (!state_->bus)
    throw std::runtime_error("no session bus");
  state_->objectPath = objectPath;
  state_->answer = std::move(answer);
  state_->node = g_dbus_node_info_new_for_xml(introspection, nullptr);
  static const GDBusInterfaceVTable vtable{
      [](GDBusConnection*, const char* sender, const char*, const char*, const char* method,
         GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto* state = static_cast<State*>(data);
        state->lastCaller = sender;
        g_dbus_method_invocation_return_value(invocation, state->answer(method, parameters));
      },
      nullptr,
      nullptr,
      {}};
  state_->registration = g_dbus_connection_register_object(state_->bus.get(), objectPath.c_str(),
                                                           state_->node->interfaces[0], &vtable,
                                                           state_.get(), nullptr, nullptr);
  state_->owner = g_bus_own_name_on_connection(
      state_->bus.get(), busName.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
      [](GDBusConnection*, const char*, gpointer data) { static_cast<State*>(data)->owned = true; },
      nullptr, state_.get(), nullptr);
  if (!waitUntil([this] { return state_->owned; }, 10s))
    throw std::runtime_error("cannot own " + busName);
}

BusService::~BusService() {
  g_bus_unown_name(state_->owner);
  g_dbus_connection_unregister_object(state_->bus.get(), state_->registration);
  g_dbus_node_info_unref(state_->node);
}

void BusService::signalCaller(const std::string& name, GVariant* parameters) {
  g_dbus_connection_emit_signal(state_->bus.get(), state_->lastCaller.c_str(),
                                state_->objectPath.c_str(), state_->node->interfaces[0]->name,
                                name.c_str(), parameters, nullptr);
}

} // namespace velmora::testing
