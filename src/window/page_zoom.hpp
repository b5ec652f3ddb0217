// The page zoom as it is kept between runs: written beside the window's
// size after every zoom command and read back when the window is built.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The key the zoom is saved under, beside the window's size.
inline constexpr std::string_view pageZoomKey = "pageZoom";

// The factor saved as `text`, exactly as it was written. Nothing saved,
// damaged text, a factor that is not finite or one outside the zoom
// commands' range (0.5 to 3.0) gives actual size, 1.0.
[[nodiscard]] double storedPageZoom(const std::optional<std::string>& text);
// `zoom` rounded to millionths, without trailing zeros: "1.2", not the
// "1.2000000000000002" that steps of a tenth add up to, and "3", not "3.0".
[[nodiscard]] std::string pageZoomText(double zoom);

} // namespace velmora
