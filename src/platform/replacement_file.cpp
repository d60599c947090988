#include "platform/replacement_file.h"

#include <random>
#include <utility>

#include "platform/replacement_file_host.h"
#include "platform/temporary_files.h"

// The flow is the same on both systems; each system's steps on the file are
// its own (replacement_file_host.h).

namespace platform {

ReplacementFile::ReplacementFile(std::filesystem::path target) : m_target(std::move(target)) {}

ReplacementFile::~ReplacementFile() {
  if (m_partial && m_fd >= 0)
    host::CloseFile(std::exchange(m_fd, -1));
  else
    Discard();
}

bool ReplacementFile::Fail(const char* step) {
  m_error = std::string(step) + ": " + host::LastErrorText();
  return false;
}

bool ReplacementFile::Open() {
  Discard();
  m_durable = false;
  if (m_target.filename().empty()) {
    host::SetFolderError();
    return Fail("create");
  }
  std::random_device entropy;
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path candidate = host::TemporaryNameFor(m_target, entropy());
    m_fd = host::CreateNewFile(candidate);
    if (m_fd >= 0) {
      m_temporary = std::move(candidate);
      m_size = 0;
      m_partial = false;
      RememberTemporary(m_temporary);
      return true;
    }
    if (!host::NameWasTaken())
      return Fail("create");
  }
  return Fail("create");
}

bool ReplacementFile::OpenPartial(const std::filesystem::path& partial) {
  Discard();
  m_durable = false;
  std::uint64_t size = 0;
  m_fd = host::OpenForAppending(partial, size);
  if (m_fd < 0)
    return Fail("open");
  m_temporary = partial;
  m_size = size;
  m_partial = true;
  return true;
}

bool ReplacementFile::Opened(const char* step) {
  if (m_fd >= 0)
    return true;
  host::SetNotOpenError();
  return Fail(step);
}

bool ReplacementFile::Truncate() {
  if (!Opened("truncate") || !(host::TruncateFile(m_fd) || Fail("truncate")))
    return false;
  m_size = 0;
  return true;
}

bool ReplacementFile::Write(const char* data, std::size_t size) {
  return Opened("write") && (host::WriteAll(m_fd, data, size, m_size) || Fail("write"));
}

bool ReplacementFile::SetPermissions(unsigned permissions) {
  return Opened("chmod") && (host::SetFilePermissions(m_fd, permissions) || Fail("chmod"));
}

bool ReplacementFile::Sync() {
  if (!Opened("fsync") || !(host::SyncFile(m_fd) || Fail("fsync")))
    return false;
  m_durable = true;
  return true;
}

bool ReplacementFile::Commit() {
  if (!Opened("commit"))
    return false;
  if (!host::CloseFile(std::exchange(m_fd, -1))) {
    Fail("close");
    Discard();
    return false;
  }
  if (!host::ReplaceTarget(m_temporary, m_target, m_durable)) {
    Fail("rename");
    Discard();
    return false;
  }
  ForgetTemporary(m_temporary);
  m_temporary.clear();
  m_partial = false;
  return true;
}

void ReplacementFile::Discard() {
  if (m_fd >= 0)
    host::CloseFile(std::exchange(m_fd, -1));
  if (!m_temporary.empty()) {
    host::RemoveFile(m_temporary);
    ForgetTemporary(m_temporary);
    m_temporary.clear();
  }
  m_partial = false;
}

}  // namespace platform
