// The general clipboard's plain text.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace velmora {

class Clipboard {
public:
  virtual ~Clipboard() = default;
  // Reads asynchronously; `done` gets the text, or none when the clipboard
  // holds no text. It runs exactly once, possibly before readText returns.
  virtual void readText(std::function<void(std::optional<std::string>)> done) = 0;
  // Replaces what the clipboard holds with `text`.
  virtual void writeText(const std::string& text) = 0;
};

} // namespace velmora
