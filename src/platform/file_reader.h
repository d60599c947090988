// A local file read once from start to end, in chunks the caller chooses: the
// source of a copy that must not hold the whole file in memory.
//
// One object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/file_status.h"

namespace platform {

class FileReader {
 public:
  // Opens the file; IsOpen() and Error() tell how that went.
  explicit FileReader(const std::filesystem::path& hostPath);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  bool IsOpen() const { return m_fd >= 0; }

  // The status of the file opened, which a rename of its path since does not
  // change; nullopt when it is not open or the status cannot be read.
  std::optional<FileStatus> Status() const;

  // Reads up to `size` bytes into `buffer`: how many came, 0 at the end;
  // nullopt when the system refuses (Error() says why). An interrupted read
  // is retried.
  std::optional<std::size_t> Read(char* buffer, std::size_t size);

  // The system's reason for the last failure ("No such file or directory").
  const std::string& Error() const { return m_error; }

 private:
  // Read() on the file once it is open: each system's.
  std::optional<std::size_t> ReadOpen(char* buffer, std::size_t size);

  int m_fd = -1;
  std::string m_error;
};

}  // namespace platform
