#include "gtk/debug_log.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <glib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>

namespace velmora::gtk {
namespace {

struct DebugLog {
  std::mutex mutex;
  std::deque<std::string> lines;
  int file = -1;
};

DebugLog& debugLog() {
  // Never destroyed: messages may still come while the process ends.
  static auto* log = new DebugLog;
  return *log;
}

const char* levelName(GLogLevelFlags level) {
  if (level & G_LOG_LEVEL_ERROR)
    return "ERROR";
  if (level & G_LOG_LEVEL_CRITICAL)
    return "CRITICAL";
  if (level & G_LOG_LEVEL_WARNING)
    return "WARNING";
  if (level & G_LOG_LEVEL_MESSAGE)
    return "MESSAGE";
  if (level & G_LOG_LEVEL_INFO)
    return "INFO";
  return "DEBUG";
}

std::string fieldText(const GLogField& field) {
  const auto* text = static_cast<const char*>(field.value);
  if (!text)
    return {};
  return field.length < 0 ? std::string(text)
                          : std::string(text, static_cast<std::size_t>(field.length));
}

std::string timestamp() {
  const gint64 now = g_get_real_time();
  const std::unique_ptr<GDateTime, CDeleter<g_date_time_unref>> time(
      g_date_time_new_from_unix_local(now / G_USEC_PER_SEC));
  if (!time)
    return "--:--:--.---";
  char millis[8];
  g_snprintf(millis, sizeof millis, ".%03d", static_cast<int>(now % G_USEC_PER_SEC / 1000));
  return takeString(g_date_time_format(time.get(), "%H:%M:%S")) + millis;
}

GLogWriterOutput writeLog(GLogLevelFlags level, const GLogField* fields, gsize count,
                          gpointer data) {
  std::string domain, message;
  for (gsize i = 0; i < count; ++i) {
    if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0)
      domain = fieldText(fields[i]);
    else if (std::strcmp(fields[i].key, "MESSAGE") == 0)
      message = fieldText(fields[i]);
  }
  if (domain == "Velmora") {
    // One message, one line: a page address with a line break in it cannot
    // pass for lines of its own.
    for (char& c : message)
      if (c == '\n' || c == '\r')
        c = ' ';
    std::string line = timestamp() + " " + levelName(level) + " " + message;
    DebugLog& log = debugLog();
    const std::lock_guard lock(log.mutex);
    if (log.file >= 0) {
      const std::string written = line + "\n";
      // A full disk costs the file its lines, never the application.
      (void)!::write(log.file, written.data(), written.size());
    }
    log.lines.push_back(std::move(line));
    if (log.lines.size() > debugLogCapacity)
      log.lines.pop_front();
  }
  return g_log_writer_default(level, fields, count, data);
}

} // namespace

void installDebugLog() {
  g_log_set_writer_func(writeLog, nullptr, nullptr);
}

bool setDebugLogFile(const std::filesystem::path& file) {
  // O_NOFOLLOW: a link planted at the path does not redirect the log.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    g_printerr("Velmora: cannot write the log file %s: %s\n", file.c_str(), g_strerror(errno));
    return false;
  }
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
    ::fchmod(fd, 0600);
  DebugLog& log = debugLog();
  const std::lock_guard lock(log.mutex);
  if (log.file >= 0)
    ::close(log.file);
  log.file = fd;
  return true;
}

std::vector<std::string> recentDebugLines() {
  DebugLog& log = debugLog();
  const std::lock_guard lock(log.mutex);
  return {log.lines.begin(), log.lines.end()};
}

} // namespace velmora::gtk
