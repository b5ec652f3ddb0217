// Modal alerts: a message, informative text, an optional text field and
// buttons in the order added. The answer arrives through a completion once
// the alert closes, never through a nested main loop.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The result codes of the first and second buttons added.
inline constexpr int alertFirstButtonReturn = 1000;
inline constexpr int alertSecondButtonReturn = 1001;

struct TextFieldAccessory {
  std::string stringValue;
  std::string placeholderString;
  int width = 0;
  int height = 0;
  // A field that shows its text without letting it change.
  bool editable = true;
};

struct Alert {
  enum class Style { warning, informational };
  std::string messageText;
  std::string informativeText;
  // With no buttons the alert shows a single default "OK" button.
  std::vector<std::string> buttons;
  std::optional<TextFieldAccessory> accessory;
  Style style = Style::warning;
};

struct AlertResponse {
  // alertFirstButtonReturn for the first button, then one more per button.
  // Escape or the close box answer as the button titled "Cancel", or as
  // the only button; an alert with neither cannot be closed that way.
  int code = alertFirstButtonReturn;
  // The accessory field's text when the alert closed; empty without one.
  std::string fieldText;
};

// Names an alert on show, so that it can be taken away again. Never reused.
using AlertId = std::uint64_t;

class Alerts {
public:
  virtual ~Alerts() = default;
  // Shows the alert, modal to the application, on top of any already on
  // show; `completion` runs once, after it has closed.
  virtual AlertId runModal(const Alert& alert,
                           std::function<void(const AlertResponse&)> completion) = 0;
  // Takes an alert away as if it had never been shown: its completion never
  // runs. Harmless for an alert that has closed already.
  virtual void dismiss(AlertId alert) = 0;
};

} // namespace velmora
