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
  // Enough room for any double in fixed notation: 309 digits and six
  // decimals.
  char buffer[330];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, zoom, std::chars_format::fixed, 6);
  if (result.ec != std::errc{})
    return "1";
  std::string text(buffer, result.ptr);
  while (text.back() == '0')
    text.pop_back();
  if (text.back() == '.')
    text.pop_back();
  return text == "-0" ? "0" : text;
}

} // namespace velmora
