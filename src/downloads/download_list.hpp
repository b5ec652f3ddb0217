// What the user is told about the session's downloads: the note when one is
// saved and each row of the Downloads window. Pure, so each text can be
// checked row by row.
#pragma once

#include "platform/url.hpp"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora {

// How long the note stays over the bottom of the window: long enough to
// read it and reach its button, short enough not to hide the page's own
// controls for long.
inline constexpr std::chrono::seconds downloadNoteDuration{6};

// One download of this session as the tracker keeps it.
struct DownloadRecord {
  enum class State { running, finished, failed };
  std::filesystem::path file;
  State state = State::running;
  std::uint64_t received = 0;
  std::uint64_t expected = 0; // 0: the size is unknown
  std::string failure;        // why it failed; empty otherwise
};

// "invoice.pdf saved in Downloads": the file's name and its folder's.
[[nodiscard]] std::string downloadNoteText(const std::filesystem::path& file);

// The status line of a row: "1.2 MB of 4.0 MB" (or "1.2 MB" when the size
// is unknown) while it runs, "Saved in Downloads" once saved, "Failed: …"
// with the reason.
[[nodiscard]] std::string downloadStatusText(const DownloadRecord& record);

// The share to show on a progress bar: none once it ended or while the size
// is unknown; never above 1.
[[nodiscard]] std::optional<double> downloadFraction(const DownloadRecord& record);

// A byte count as people read it: "512 bytes", "1.5 KB", "12.0 MB" (powers
// of 1000, as file managers here count).
[[nodiscard]] std::string byteCountText(std::uint64_t bytes);

// The file's address for the desktop to open; none for a relative path.
[[nodiscard]] std::optional<Url> fileUrl(const std::filesystem::path& file);

} // namespace velmora
