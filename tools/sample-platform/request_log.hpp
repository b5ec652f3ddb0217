// The record of every request the sample platform receives. Tests cannot see
// inside the application, so they watch what it asked the server for: each
// request becomes one JSON line, appended and flushed to the log file at
// once, and also kept for GET /__log.
#pragma once

#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::sample {

struct RequestRecord {
  std::string method;
  std::string path;  // as received, still percent-encoded
  std::string query; // as received; empty when the URL has none
  std::string userAgent;
  std::string accept;
  std::string cookie;
  double time = 0; // seconds since the epoch, microsecond resolution
};

// `text` as a JSON string literal, quotes included. Bytes that are not valid
// UTF-8 become U+FFFD, so a hostile header still gives a parseable line.
[[nodiscard]] std::string jsonString(std::string_view text);

// One log line, without the newline. Keys, in this order: method, path,
// query, user_agent, accept, cookie, time.
[[nodiscard]] std::string jsonLine(const RequestRecord& record);

// The current time as `RequestRecord::time` wants it.
[[nodiscard]] double secondsSinceEpoch();

class RequestLog {
public:
  // Appends to `file` (created if missing) when one is given. Gives nothing
  // and sets `error` when the file cannot be opened.
  [[nodiscard]] static std::optional<RequestLog>
  open(const std::optional<std::filesystem::path>& file, std::string& error);

  void append(const RequestRecord& record);

  // Every line recorded by this process, oldest first, each ending in a
  // newline. Only the newest lines are kept once there are very many.
  [[nodiscard]] std::string text() const;

private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::deque<std::string> lines_;
};

} // namespace velmora::sample
