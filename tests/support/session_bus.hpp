// What a running application shows on the session bus, read the way a
// desktop shell reads it: the menu bar it exports (org.gtk.Menus), the state
// of its actions (org.gtk.Actions) and the launcher-entry signals that carry
// its dock badge and progress; and stand-ins for the desktop's services.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GVariant GVariant;

namespace velmora::testing {

struct ExportedMenuItem {
  bool isSeparator = false; // a boundary between two sections
  std::string label;
  std::string action; // detailed, such as "win.goBack"; empty for a submenu
  std::vector<ExportedMenuItem> submenu;
};

// The application's exported menu bar, top-level menus in order with their
// items; sections are flattened with a separator item between non-empty
// ones. None when it cannot be read.
[[nodiscard]] std::optional<std::vector<ExportedMenuItem>> readExportedMenuBar();

struct ActionDescription {
  bool enabled = false;
  // The state, when the action has a boolean one.
  std::optional<bool> booleanState;
};

// org.gtk.Actions.Describe of one of the application's actions at
// `objectPath`; none when the action does not exist or the call fails.
[[nodiscard]] std::optional<ActionDescription> describeAction(const std::string& objectPath,
                                                              const std::string& name);

// org.gtk.Actions.Activate of one of the application's actions at
// `objectPath`; whether the call went through.
bool activateAction(const std::string& objectPath, const std::string& name,
                    const std::optional<std::string>& stringParameter);

// Records every com.canonical.Unity.LauncherEntry Update signal on the
// session bus from construction on. Signals arrive while the default main
// context runs, which waitUntil does.
class LauncherEntryWatcher {
public:
  struct Update {
    std::string appUri;
    std::optional<std::int64_t> count; // present only as an int64
    std::optional<bool> countVisible;
    std::optional<double> progress;
    std::optional<bool> progressVisible;
  };
  LauncherEntryWatcher();
  ~LauncherEntryWatcher();
  LauncherEntryWatcher(const LauncherEntryWatcher&) = delete;
  LauncherEntryWatcher& operator=(const LauncherEntryWatcher&) = delete;

  // Updates that showed or hid the count, or the progress bar, oldest first.
  [[nodiscard]] std::vector<Update> badgeUpdates() const {
    return updatesWith(&Update::countVisible);
  }
  [[nodiscard]] std::vector<Update> progressUpdates() const {
    return updatesWith(&Update::progressVisible);
  }

private:
  [[nodiscard]] std::vector<Update> updatesWith(std::optional<bool> Update::*visible) const;
  struct State;
  std::unique_ptr<State> state_;
};

// Plays a desktop service: owns `busName` on the session bus and serves the
// one interface of `introspection` at `objectPath`. Each method call goes to
// `answer`, whose result (none for an empty reply) is returned to the caller.
class BusService {
public:
  using Answer = std::function<GVariant*(const std::string& method, GVariant* parameters)>;
  BusService(const std::string& busName, const std::string& objectPath, const char* introspection,
             Answer answer);
  ~BusService();
  BusService(const BusService&) = delete;
  BusService& operator=(const BusService&) = delete;

  // Sends a signal of the interface to whoever called last.
  void signalCaller(const std::string& name, GVariant* parameters);

private:
  struct State;
  std::unique_ptr<State> state_;
};

} // namespace velmora::testing
