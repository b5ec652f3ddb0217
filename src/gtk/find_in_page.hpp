// What the find bar shows and which match it stands on. The engine
// highlights the matches and moves the selection from one to the next, but
// never says which of them is selected: the bar counts along, wrapping
// around as the engine does.
#pragma once

#include <optional>
#include <string>

namespace velmora {

enum class FindDirection { forward, backward };

// At most this many matches are counted; more are reported as "more than".
inline constexpr unsigned maxFindMatches = 1000;

struct FindMatches {
  // The selected match, from 1; 0 while none is.
  unsigned current = 0;
  // All matches, or more than maxFindMatches when there are more.
  unsigned count = 0;
};

// The bar's status: nothing while its field is empty or the matches are
// still being counted, "No matches", "3 of 12", or, past the count limit,
// "More than 1000 matches".
[[nodiscard]] std::string findStatusText(bool hasText, const std::optional<FindMatches>& matches);

// The match a step lands on: after the last comes the first and before the
// first the last; with none selected yet, the first or the last. 0 when
// there are no matches, and the current one when they are too many to
// count.
[[nodiscard]] unsigned steppedMatch(const FindMatches& matches, FindDirection direction);

} // namespace velmora
