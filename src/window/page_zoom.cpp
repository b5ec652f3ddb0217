#include "window/page_zoom.hpp"

#include <charconv>
#include <cmath>

namespace velmora {

double storedPageZoom(const std::optional<std::string>& text) {
  if (!text)
    return 1.0;
  double zoom = 0;
  const char* end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, zoom);
  if (error != std::errc{} || stop != end || !std::isfinite(zoom) || zoom < 0.5 || zoom > 3.0)
    return 1.0;
  return zoom;
}

std::string pageZoomText(double zoom) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, zoom);
  return std::string(buffer, result.ptr);
}

} // namespace velmora
