// Where a download is saved. The file name the server suggests is not
// trusted: whatever it holds, the result is a plain, visible name directly
// inside the Downloads folder that the file system accepts, and a name that
// is already taken gets a number before its extension instead of replacing
// anything.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// The longest name, in bytes, a download may get: the file system's 255,
// less room for the suffix of the temporary file the engine writes beside
// the destination while the download runs (".wkdownload").
inline constexpr std::size_t maxDownloadFilenameBytes = 244;

// The name used when nothing usable is left of the suggested one.
inline constexpr std::string_view fallbackDownloadFilename = "download";

// Makes the server's suggested name safe to save under. Only the last path
// component counts ('/' and '\' both separate, as servers send either);
// control characters become "_"; leading and trailing dots and spaces go, so
// ".", ".." and hidden names cannot come out; a name longer than
// maxDownloadFilenameBytes is shortened before its extension, on a character
// boundary. Gives fallbackDownloadFilename when nothing is left.
[[nodiscard]] std::string safeDownloadFilename(std::string_view suggested);

// Picks a name in `folder` that nothing occupies yet: "invoice.pdf", then
// "invoice-2.pdf", "invoice-3.pdf", ...; "README-2"; "backup.tar-2.gz".
// `exists` is asked about each candidate, a folder counting as taken. The
// suggested name is first made safe, so the result always lies directly in
// `folder`, and a numbered name is shortened like any other to stay within
// maxDownloadFilenameBytes.
[[nodiscard]] std::filesystem::path
uniqueDownloadDestination(const std::filesystem::path& folder, std::string_view suggestedFilename,
                          const std::function<bool(const std::filesystem::path&)>& exists);

} // namespace velmora
