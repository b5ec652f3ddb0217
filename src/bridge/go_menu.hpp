// The Go menu's content as data: the page's reported links become menu
// entries with Ctrl+1 to Ctrl+9 in order, sign-out links set apart by a
// separator, and a lone "Sign In" when the page reported nothing. Pure, so
// every list a page could post is tested without a menu.
#pragma once

#include "platform/menus.hpp"
#include "platform/script_value.hpp"
#include "platform/url.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct GoMenuEntry {
  enum class Kind {
    link,      // opens `targetURL` through goToPath
    separator, // sets a sign-out link apart
    signIn,    // "Sign In", which runs Go to Dashboard
  };
  Kind kind = Kind::link;
  std::string title;            // the link's label as reported; "Sign In"; empty for a separator
  std::optional<Action> action; // goToPath for links, goHome for the sign-in entry
  std::string keyEquivalent;    // "1" to "9" with Control, or empty
  std::optional<Url> targetURL; // links only
  bool stateOn = false;         // a check mark: the link is the page on show

  friend bool operator==(const GoMenuEntry&, const GoMenuEntry&) = default;
};

// The most links the menu shows. A page could report any number, and a menu
// of a million items would stall the window for minutes; real pages report
// a dozen or so.
inline constexpr std::size_t maxGoMenuLinks = 100;

// An empty list gives the one sign-in entry. Otherwise each dictionary with
// a string "label" and a string "href" that parses becomes a link, in order,
// others are skipped; an address whose path ends in "/logout" is a sign-out
// link, preceded by a separator unless it comes first and given no number.
// The first nine other links get "1" to "9". "current" must be the boolean
// true for a check mark. A list whose every dictionary is skipped gives no
// entries at all. Links past the first maxGoMenuLinks usable ones are left
// out.
[[nodiscard]] std::vector<GoMenuEntry>
buildGoMenuEntries(const std::vector<ScriptDictionary>& links);

// The entry as an item of the live Go menu.
[[nodiscard]] MenuItem menuItemForGoMenuEntry(const GoMenuEntry& entry);

} // namespace velmora
