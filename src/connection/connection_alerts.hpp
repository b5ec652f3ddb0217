// The plain alerts of the connection steps: a message and its explanation,
// with the given buttons or, with none, the single default button.
#pragma once

#include "platform/alerts.hpp"

#include <string>
#include <utility>
#include <vector>

namespace velmora {

[[nodiscard]] inline Alert messageAlert(std::string messageText, std::string informativeText,
                                        std::vector<std::string> buttons = {}) {
  Alert alert;
  alert.messageText = std::move(messageText);
  alert.informativeText = std::move(informativeText);
  alert.buttons = std::move(buttons);
  return alert;
}

} // namespace velmora
