// JSON-lines request log of the sample platform.
#include "request_log.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <glib.h>

#include <chrono>
#include <cstdio>

namespace velmora::sample {
namespace {

// A long benchmark must not grow the server without bound; the file keeps
// everything, memory only the most recent lines.
constexpr std::size_t kMaxLinesInMemory = 100000;

} // namespace

std::string jsonString(std::string_view text) {
  const GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  std::string out = "\"";
  for (const char* p = valid.get(); *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (c < 0x20 || c == 0x7f) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out += escaped;
      } else {
        out += static_cast<char>(c);
      }
    }
  }
  out += '"';
  return out;
}

std::string jsonLine(const RequestRecord& record) {
  char time[32];
  std::snprintf(time, sizeof time, "%.6f", record.time);
  return "{\"method\":" + jsonString(record.method) + ",\"path\":" + jsonString(record.path) +
         ",\"query\":" + jsonString(record.query) +
         ",\"user_agent\":" + jsonString(record.userAgent) +
         ",\"accept\":" + jsonString(record.accept) + ",\"cookie\":" + jsonString(record.cookie) +
         ",\"time\":" + time + "}";
}

double secondsSinceEpoch() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) /
         1e6;
}

std::optional<RequestLog> RequestLog::open(const std::optional<std::filesystem::path>& file,
                                           std::string& error) {
  RequestLog log;
  if (file) {
    log.file_.reset(std::fopen(file->c_str(), "a"));
    if (!log.file_) {
      error = "cannot open log file " + file->string();
      return std::nullopt;
    }
  }
  return log;
}

void RequestLog::append(const RequestRecord& record) {
  std::string line = jsonLine(record);
  line += '\n';
  if (file_) {
    // Tests poll the file while the server runs, so every line goes out now.
    std::fputs(line.c_str(), file_.get());
    std::fflush(file_.get());
  }
  lines_.push_back(std::move(line));
  if (lines_.size() > kMaxLinesInMemory) {
    lines_.pop_front();
  }
}

std::string RequestLog::text() const {
  std::string all;
  for (const auto& line : lines_) {
    all += line;
  }
  return all;
}

} // namespace velmora::sample
