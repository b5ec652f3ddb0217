// Archives come from pages and the index from a file anyone with the
// user's rights may edit: whatever they hold, a copy may ask only for
// addresses its parts' headers name, file names stay hashes, and the index
// reads back as it was written.
#include "fuzz_check.hpp"
#include "navigation/last_copy.hpp"

#include <set>

using namespace velmora;
using fuzz::check;

namespace {

bool isFileName(const std::string& name) {
  return name.size() == 22 && name.ends_with(".mhtml") &&
         name.find_first_not_of("0123456789abcdef") == 16;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);

  for (const std::string& location : archiveLocations(text)) {
    check(!location.empty() && location.find_first_of("\r\n") == std::string::npos,
          "a part's address is one non-empty line", text);
    check(text.find(location) != std::string_view::npos, "a part's address is in the archive",
          text);
  }
  check(archiveFingerprint(text).size() == 16, "a fingerprint is 16 digits", text);
  const std::string declared = withDoctype(std::string(text));
  check(withDoctype(declared) == declared, "the declaration goes in once", text);
  check(archiveLocations(declared) == archiveLocations(text),
        "the declaration changes no part's address", text);
  (void)looksLikeArchive(text);

  const LastCopyIndex index = parseCopyIndex(text);
  std::set<std::string> paths;
  for (const LastCopy& copy : index.copies) {
    check(copy.path.starts_with('/'), "a kept path starts with a slash", text);
    check(paths.insert(copy.path).second, "one copy per path", text);
    check(isFileName(copyFileName(copy.path)), "a copy's file is named by a hash", text);
  }
  check(parseCopyIndex(serializeCopyIndex(index)) == index, "the index reads back", text);
  return 0;
}
