#include "downloads/download_list.hpp"

#include <boost/url/url.hpp>

#include <algorithm>
#include <array>
#include <cstdio>

namespace velmora {
namespace {

std::string folderName(const std::filesystem::path& file) {
  const std::string name = file.parent_path().filename().string();
  return name.empty() ? file.parent_path().string() : name;
}

} // namespace

std::string downloadNoteText(const std::filesystem::path& file) {
  return file.filename().string() + " saved in " + folderName(file);
}

std::string byteCountText(std::uint64_t bytes) {
  if (bytes < 1000)
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  constexpr std::array units{"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1000;
  std::size_t unit = 0;
  // Rounded as printed, so 999,999 bytes reads "1.0 MB", not "1000.0 KB".
  while (value >= 999.95 && unit + 1 < units.size()) {
    value /= 1000;
    ++unit;
  }
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.1f %s", value, units[unit]);
  return text.data();
}

std::string downloadStatusText(const DownloadRecord& record) {
  switch (record.state) {
  case DownloadRecord::State::finished:
    return "Saved in " + folderName(record.file);
  case DownloadRecord::State::failed:
    return record.failure.empty() ? "Failed" : "Failed: " + record.failure;
  case DownloadRecord::State::running:
    break;
  }
  if (record.expected == 0)
    return byteCountText(record.received);
  return byteCountText(std::min(record.received, record.expected)) + " of " +
         byteCountText(record.expected);
}

std::optional<double> downloadFraction(const DownloadRecord& record) {
  if (record.state != DownloadRecord::State::running || record.expected == 0)
    return std::nullopt;
  return std::min(static_cast<double>(record.received) / static_cast<double>(record.expected), 1.0);
}

std::optional<Url> fileUrl(const std::filesystem::path& file) {
  if (!file.is_absolute())
    return std::nullopt;
  boost::urls::url url;
  url.set_scheme("file");
  url.set_encoded_host("");
  url.set_path(file.string());
  return Url::parse(url.buffer());
}

} // namespace velmora
