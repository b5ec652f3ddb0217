// A download's suggested name is the server's to choose. Whatever it is,
// and however many names are taken already, the file must land directly in
// the Downloads folder under a plain name the file system accepts.
#include "downloads/download_destination.hpp"
#include "fuzz_check.hpp"

#include <algorithm>

using namespace velmora;
using fuzz::check;

namespace {

void checkPlainName(const std::string& name, std::string_view input) {
  check(!name.empty(), "a name is never empty", input);
  check(name != "." && name != "..", "a name never refers to a folder", input);
  check(name.front() != '.', "a name is never hidden", input);
  check(name.size() <= maxDownloadFilenameBytes, "a name fits the file system", input);
  check(name.find_first_of("/\\") == std::string::npos, "a name is one component", input);
  check(std::ranges::none_of(name, [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
        "a name has no control characters", input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes = fuzz::asText(data, size);
  const std::string_view input = bytes;
  // The first byte says how many candidates are taken before one is free:
  // a few usually, now and then enough for a three-digit number, whose
  // longer suffix must still fit. Kept small on the whole so runs stay fast.
  const std::uint8_t takenByte = fuzz::takeByte(bytes);
  const unsigned taken = takenByte >= 0xF8 ? 100 + (takenByte & 7) : takenByte % 12;

  checkPlainName(safeDownloadFilename(bytes), input);

  const std::filesystem::path folder = "/home/user/Downloads";
  unsigned asked = 0;
  std::filesystem::path lastAsked;
  const auto destination =
      uniqueDownloadDestination(folder, bytes, [&](const std::filesystem::path& candidate) {
        lastAsked = candidate;
        return asked++ < taken;
      });
  check(destination.parent_path() == folder, "a destination stays in its folder", input);
  check(destination == lastAsked, "the destination is the candidate found free", input);
  checkPlainName(destination.filename().string(), input);
  return 0;
}
