#include "session_bus.hpp"

#include "processes.hpp"

#include <gio/gio.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

namespace velmora::testing {
namespace {

GDBusConnection* sessionBus() {
  return g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
}

GVariant* callSync(GDBusConnection* bus, const std::string& busName, const std::string& path,
                   const char* interface, const char* method, GVariant* parameters,
                   const GVariantType* replyType) {
  return g_dbus_connection_call_sync(bus, busName.c_str(), path.c_str(), interface, method,
                                     parameters, replyType, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                                     nullptr);
}

using MenuId = std::pair<guint32, guint32>; // (group, menu)
using ItemAttributes = std::map<std::string, GVariant*>;

// Reads menus as a shell does: each group is subscribed with Start, which
// answers with the content of every menu in it; submenus live in groups of
// their own, sections share their parent's group.
class MenuReader {
public:
  MenuReader(GDBusConnection* bus, std::string busName, std::string path)
      : bus_(bus), busName_(std::move(busName)), path_(std::move(path)) {}
  ~MenuReader() {
    if (!started_.empty()) {
      GVariantBuilder groups;
      g_variant_builder_init(&groups, G_VARIANT_TYPE("au"));
      for (guint32 group : started_)
        g_variant_builder_add(&groups, "u", group);
      GVariant* reply = callSync(bus_, busName_, path_, "org.gtk.Menus", "End",
                                 g_variant_new("(au)", &groups), nullptr);
      if (reply)
        g_variant_unref(reply);
    }
    for (auto& [id, items] : menus_)
      for (auto& attributes : items)
        for (auto& [name, value] : attributes)
          g_variant_unref(value);
  }

  std::optional<std::vector<ExportedMenuItem>> read(MenuId id) {
    if (!ensureGroup(id.first))
      return std::nullopt;
    const auto found = menus_.find(id);
    if (found == menus_.end())
      return std::vector<ExportedMenuItem>{};
    std::vector<ExportedMenuItem> items;
    for (const ItemAttributes& attributes : found->second) {
      if (auto section = link(attributes, ":section")) {
        auto inner = read(*section);
        if (!inner)
          return std::nullopt;
        if (inner->empty())
          continue;
        if (!items.empty()) {
          ExportedMenuItem separator;
          separator.isSeparator = true;
          items.push_back(separator);
        }
        items.insert(items.end(), inner->begin(), inner->end());
        continue;
      }
      ExportedMenuItem item;
      item.label = stringAttribute(attributes, "label");
      item.action = stringAttribute(attributes, "action");
      if (auto target = attributes.find("target");
          target != attributes.end() && g_variant_is_of_type(target->second, G_VARIANT_TYPE_STRING))
        item.stringTarget = g_variant_get_string(target->second, nullptr);
      if (auto submenu = link(attributes, ":submenu")) {
        auto inner = read(*submenu);
        if (!inner)
          return std::nullopt;
        item.submenu = std::move(*inner);
      }
      items.push_back(std::move(item));
    }
    return items;
  }

private:
  static std::string stringAttribute(const ItemAttributes& attributes, const char* name) {
    const auto found = attributes.find(name);
    if (found == attributes.end() || !g_variant_is_of_type(found->second, G_VARIANT_TYPE_STRING))
      return {};
    return g_variant_get_string(found->second, nullptr);
  }

  static std::optional<MenuId> link(const ItemAttributes& attributes, const char* name) {
    const auto found = attributes.find(name);
    if (found == attributes.end() || !g_variant_is_of_type(found->second, G_VARIANT_TYPE("(uu)")))
      return std::nullopt;
    MenuId id;
    g_variant_get(found->second, "(uu)", &id.first, &id.second);
    return id;
  }

  bool ensureGroup(guint32 group) {
    if (started_.contains(group))
      return true;
    GVariantBuilder groups;
    g_variant_builder_init(&groups, G_VARIANT_TYPE("au"));
    g_variant_builder_add(&groups, "u", group);
    GVariant* reply = callSync(bus_, busName_, path_, "org.gtk.Menus", "Start",
                               g_variant_new("(au)", &groups), G_VARIANT_TYPE("(a(uuaa{sv}))"));
    if (!reply)
      return false;
    started_.insert(group);
    GVariantIter* menus = nullptr;
    g_variant_get(reply, "(a(uuaa{sv}))", &menus);
    guint32 g = 0, m = 0;
    GVariantIter* items = nullptr;
    while (g_variant_iter_loop(menus, "(uuaa{sv})", &g, &m, &items)) {
      std::vector<ItemAttributes>& content = menus_[{g, m}];
      GVariantIter* attributes = nullptr;
      while (g_variant_iter_loop(items, "a{sv}", &attributes)) {
        ItemAttributes item;
        const char* key = nullptr;
        GVariant* value = nullptr;
        while (g_variant_iter_next(attributes, "{&sv}", &key, &value))
          item[key] = value;
        content.push_back(std::move(item));
      }
    }
    g_variant_iter_free(menus);
    g_variant_unref(reply);
    return true;
  }

  GDBusConnection* bus_;
  std::string busName_, path_;
  std::set<guint32> started_;
  std::map<MenuId, std::vector<ItemAttributes>> menus_;
};

} // namespace

std::optional<std::vector<ExportedMenuItem>> readExportedMenuBar(const std::string& busName,
                                                                 const std::string& objectPath) {
  GDBusConnection* bus = sessionBus();
  if (!bus)
    return std::nullopt;
  std::optional<std::vector<ExportedMenuItem>> bar;
  {
    MenuReader reader(bus, busName, objectPath);
    bar = reader.read({0, 0});
  }
  g_object_unref(bus);
  return bar;
}

std::optional<ActionDescription>
describeAction(const std::string& objectPath, const std::string& name, const std::string& busName) {
  GDBusConnection* bus = sessionBus();
  if (!bus)
    return std::nullopt;
  GVariant* reply = callSync(bus, busName, objectPath, "org.gtk.Actions", "Describe",
                             g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("((bgav))"));
  g_object_unref(bus);
  if (!reply)
    return std::nullopt;
  ActionDescription description;
  gboolean enabled = FALSE;
  GVariantIter* state = nullptr;
  g_variant_get(reply, "((b&gav))", &enabled, nullptr, &state);
  description.enabled = enabled;
  GVariant* value = nullptr;
  if (g_variant_iter_next(state, "v", &value)) {
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN))
      description.booleanState = g_variant_get_boolean(value);
    g_variant_unref(value);
  }
  g_variant_iter_free(state);
  g_variant_unref(reply);
  return description;
}

bool activateAction(const std::string& objectPath, const std::string& name,
                    const std::optional<std::string>& stringParameter, const std::string& busName) {
  GDBusConnection* bus = sessionBus();
  if (!bus)
    return false;
  GVariantBuilder parameters;
  g_variant_builder_init(&parameters, G_VARIANT_TYPE("av"));
  if (stringParameter)
    g_variant_builder_add(&parameters, "v", g_variant_new_string(stringParameter->c_str()));
  GVariant* reply =
      callSync(bus, busName, objectPath, "org.gtk.Actions", "Activate",
               g_variant_new("(sava{sv})", name.c_str(), &parameters, nullptr), nullptr);
  g_object_unref(bus);
  if (reply)
    g_variant_unref(reply);
  return reply != nullptr;
}

struct LauncherEntryWatcher::State {
  GDBusConnection* bus = nullptr;
  guint subscription = 0;
  std::vector<Update> updates;
};

LauncherEntryWatcher::LauncherEntryWatcher() : state_(std::make_unique<State>()) {
  state_->bus = sessionBus();
  if (!state_->bus)
    return;
  state_->subscription = g_dbus_connection_signal_subscribe(
      state_->bus, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
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
  if (state_->bus) {
    if (state_->subscription)
      g_dbus_connection_signal_unsubscribe(state_->bus, state_->subscription);
    g_object_unref(state_->bus);
  }
}

std::vector<LauncherEntryWatcher::Update> LauncherEntryWatcher::badgeUpdates() const {
  std::vector<Update> withCount;
  std::ranges::copy_if(state_->updates, std::back_inserter(withCount),
                       [](const Update& update) { return update.countVisible.has_value(); });
  return withCount;
}

std::vector<LauncherEntryWatcher::Update> LauncherEntryWatcher::progressUpdates() const {
  std::vector<Update> withProgress;
  std::ranges::copy_if(state_->updates, std::back_inserter(withProgress),
                       [](const Update& update) { return update.progressVisible.has_value(); });
  return withProgress;
}

struct BusService::State {
  GDBusConnection* bus = nullptr;
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
  state_->registration = g_dbus_connection_register_object(state_->bus, objectPath.c_str(),
                                                           state_->node->interfaces[0], &vtable,
                                                           state_.get(), nullptr, nullptr);
  state_->owner = g_bus_own_name_on_connection(
      state_->bus, busName.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
      [](GDBusConnection*, const char*, gpointer data) { static_cast<State*>(data)->owned = true; },
      nullptr, state_.get(), nullptr);
  if (!waitUntil([this] { return state_->owned; }, 10s))
    throw std::runtime_error("cannot own " + busName);
}

BusService::~BusService() {
  g_bus_unown_name(state_->owner);
  g_dbus_connection_unregister_object(state_->bus, state_->registration);
  g_dbus_node_info_unref(state_->node);
  g_object_unref(state_->bus);
}

void BusService::signalCaller(const std::string& name, GVariant* parameters) {
  g_dbus_connection_emit_signal(state_->bus, state_->lastCaller.c_str(), state_->objectPath.c_str(),
                                state_->node->interfaces[0]->name, name.c_str(), parameters,
                                nullptr);
}

} // namespace velmora::testing
