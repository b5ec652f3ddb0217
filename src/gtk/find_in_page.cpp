#include "gtk/find_in_page.hpp"

namespace velmora {

std::string findStatusText(bool hasText, const std::optional<FindMatches>& matches) {
  if (!hasText || !matches)
    return {};
  if (matches->count == 0)
    return "No matches";
  if (matches->count > maxFindMatches)
    return "More than " + std::to_string(maxFindMatches) + " matches";
  if (matches->current == 0)
    return std::to_string(matches->count) + (matches->count == 1 ? " match" : " matches");
  return std::to_string(matches->current) + " of " + std::to_string(matches->count);
}

unsigned steppedMatch(const FindMatches& matches, FindDirection direction) {
  const unsigned count = matches.count;
  if (count == 0)
    return 0;
  if (count > maxFindMatches)
    return matches.current;
  if (direction == FindDirection::forward)
    return matches.current >= count ? 1 : matches.current + 1;
  return matches.current <= 1 || matches.current > count ? count : matches.current - 1;
}

} // namespace velmora
