// A page posts its link list as any JSON it likes. Whatever it posts, the
// Go menu built from it must be well-formed: every link titled and aimed
// somewhere, numbers 1 to 9 at most once each, separators only before a
// sign-out link, and never more links than the menu holds.
#include "bridge/go_menu.hpp"
#include "bridge/script_messages.hpp"
#include "fuzz_check.hpp"
#include "platform/script_value.hpp"

#include <set>

using namespace velmora;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);
  const auto body = scriptValueFromJson(text);
  if (!body)
    return 0;
  const auto entries = buildGoMenuEntries(linkListFromMessageBody(*body));

  std::set<std::string> shortcuts;
  std::size_t links = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const GoMenuEntry& entry = entries[i];
    switch (entry.kind) {
    case GoMenuEntry::Kind::link:
      ++links;
      check(entry.targetURL.has_value(), "a link has an address", text);
      check(entry.action == Action::goToPath, "a link goes to its path", text);
      if (!entry.keyEquivalent.empty()) {
        check(entry.keyEquivalent.size() == 1 && entry.keyEquivalent[0] >= '1' &&
                  entry.keyEquivalent[0] <= '9',
              "shortcuts are 1 to 9", text);
        check(shortcuts.insert(entry.keyEquivalent).second, "each shortcut once", text);
      }
      break;
    case GoMenuEntry::Kind::separator:
      check(i > 0 && i + 1 < entries.size() && entries[i + 1].kind == GoMenuEntry::Kind::link,
            "a separator stands between entries, before a link", text);
      check(entry.title.empty(), "a separator has no title", text);
      break;
    case GoMenuEntry::Kind::signIn:
      check(entries.size() == 1 && entry.title == "Sign In", "sign-in stands alone", text);
      break;
    }
  }
  check(links <= maxGoMenuLinks, "the menu holds a bounded number of links", text);
  return 0;
}
