#include "support/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/calendar_time.h"
#include "platform/host_path.h"
#include "platform/stdio_file.h"
#include "support/settings.h"

namespace {

std::string FormatArguments(const char* format, va_list args) {
  va_list measuring;
  va_copy(measuring, args);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length <= 0)
    return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

class LogFile {
 public:
  ~LogFile() { Close(); }

  void Write(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (!m_opened)
      Open();
    const std::tm local = platform::LocalTime(std::time(nullptr));
    char stamp[32];
    const std::size_t stampLength =
        std::strftime(stamp, sizeof stamp, "%d/%m/%y %H:%M:%S: ", &local);
    if (m_file != nullptr) {
      std::fwrite(stamp, 1, stampLength, m_file);
      std::fwrite(text.data(), 1, text.size(), m_file);
      std::fwrite("\r\n", 1, 2, m_file);
      if (std::fflush(m_file) == 0 && !std::ferror(m_file))
        return;
      // A full disk: this line and the rest go where someone may read them.
      const int error = errno;
      Close();
      TellWhereTheLogGoes(error);
    }
    std::fwrite(stamp, 1, stampLength, stderr);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }

  void Restart() {
    std::lock_guard lock(m_mutex);
    Close();
    m_opened = false;
  }

 private:
  void Open() {
    m_opened = true;
    m_path = FileInFolder(GetTempFolder(), "log.txt");
    m_file = platform::OpenStdioFile(platform::HostPath(m_path), "wb");
    if (m_file == nullptr)
      TellWhereTheLogGoes(errno);
  }

  // Nothing would be logged anywhere otherwise: the reason, then the lines,
  // on standard error.
  void TellWhereTheLogGoes(int error) {
    std::fprintf(stderr, "ostrel-update: %s cannot be written (%s); the log goes here instead\n",
                 m_path.c_str(), std::strerror(error));
  }

  void Close() {
    if (m_file != nullptr)
      std::fclose(m_file);
    m_file = nullptr;
  }

  std::mutex m_mutex;
  bool m_opened = false;
  std::string m_path;
  std::FILE* m_file = nullptr;
};

LogFile g_log;

}  // namespace

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatArguments(format, args);
  va_end(args);
  return text;
}

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatArguments(format, args);
  va_end(args);
  g_log.Write(text);
}

void RestartLog() {
  g_log.Restart();
}
