#include "platform/profile_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <mutex>
#include <random>

#include "platform/profile_journal.h"

// The same rules as on Linux, in the system's own terms. The lock is
// LockFileEx on one byte far beyond any profile's end, shared for reading
// and exclusive for writing: Windows locks are mandatory, and a lock on the
// file's bytes would make every plain reader (the profile functions of a
// suite program) fail while a write is under way; a lock past the end stops
// only those who ask for it. The file is opened with every sharing mode, so
// that it can be replaced while others have it open, as on Linux.
// ReplaceFile gives the new file the old one's security, attributes and
// owner; where it can't, the file is overwritten in place, journalled.

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
 public:
  explicit Handle(HANDLE handle) : m_handle(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid())
      ::CloseHandle(m_handle);
  }
  bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
  HANDLE get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

bool Lock(HANDLE file, DWORD flags) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(kLockOffset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
  return ::LockFileEx(file, flags, 0, 1, 0, &where) != 0;
}

bool ReadWhole(HANDLE file, std::string& out) {
  out.clear();
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
    return false;
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr))
      return false;
    if (got == 0)
      return true;
    out.append(buffer, got);
  }
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Whether `path` still names the file that `locked` describes.
bool StillNamed(const fs::path& path, const BY_HANDLE_FILE_INFORMATION& locked) {
  const Handle current(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION now{};
  return current.Valid() && ::GetFileInformationByHandle(current.get(), &now) &&
         SameFile(now, locked);
}

// The file the opened handle is, links followed: the write goes to that file,
// so that a symbolic link keeps pointing at it.
fs::path FinalPathOf(HANDLE file, const fs::path& fallback) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0)
      return fallback;
    if (length < path.size()) {
      path.resize(length);
      return fs::path(path);
    }
    path.assign(length + 1, L'\0');
  }
  return fallback;
}

enum class Replaced { Yes, No, NotAsTheFileWas };

Replaced ReplaceAtomically(const fs::path& path, std::string_view contents) {
  // A program that holds the file open without letting it be deleted keeps
  // it from being replaced; asked first, so that no replacement is tried
  // (Wine's leaves a file of its own behind when it fails).
  if (!Handle(::CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr))
           .Valid())
    return Replaced::NotAsTheFileWas;
  std::random_device entropy;
  fs::path temporary;
  HANDLE made = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 16 && made == INVALID_HANDLE_VALUE; ++attempt) {
    fs::path name(L".");
    name += path.filename();
    name += L"." + std::to_wstring(entropy() % 1000000u);
    temporary = path.parent_path() / name;
    made = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
      return Replaced::No;
  }
  if (made == INVALID_HANDLE_VALUE)
    return Replaced::No;
  bool written = true;
  for (std::string_view rest = contents; written && !rest.empty();) {
    DWORD put = 0;
    written =
        ::WriteFile(made, rest.data(), static_cast<DWORD>(rest.size()), &put, nullptr) && put > 0;
    rest.remove_prefix(put);
  }
  written = written && ::FlushFileBuffers(made);
  written = ::CloseHandle(made) && written;
  if (!written) {
    ::DeleteFileW(temporary.c_str());
    return Replaced::No;
  }
  if (::ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr,
                     nullptr))
    return Replaced::Yes;
  // Whatever the reason (the file's security may not be given to a new
  // file, say), the file itself is untouched, and keeps its name.
  ::DeleteFileW(temporary.c_str());
  return Replaced::NotAsTheFileWas;
}

// Threads of one process take turns too: the byte lock would not tell two
// handles of this process apart from two programs, but a waiting thread
// should wait here and not hold a handle.
std::mutex g_writeMutex;

}  // namespace

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key) const {
  const Handle file(::CreateFileW(m_path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string contents;
  if (!file.Valid() || !Lock(file.get(), 0) || !ReadWhole(file.get(), contents))
    return std::nullopt;
  if (auto finished = InterruptedWriteResult(FinalPathOf(file.get(), m_path), contents))
    contents = std::move(*finished);
  return FindProfileValue(contents, section, key);
}

bool ProfileFile::Write(std::string_view section, std::string_view key,
                        std::string_view value) const {
  if (!IsWritableProfileEntry(section, key, value))
    return false;
  std::lock_guard threads(g_writeMutex);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < giveUp) {
    const HANDLE opened = ::CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
      return false;
    // The journal functions take a descriptor; closing it closes the handle.
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(opened), _O_RDWR | _O_BINARY);
    if (fd < 0) {
      ::CloseHandle(opened);
      return false;
    }
    struct Closer {
      int fd;
      ~Closer() { ::_close(fd); }
    } closer{fd};
    if (!Lock(opened, LOCKFILE_EXCLUSIVE_LOCK))
      return false;
    const fs::path target = FinalPathOf(opened, m_path);
    // Another writer may have put a new file in place while we waited: then
    // our lock guards a file nobody reads any more, so start again.
    BY_HANDLE_FILE_INFORMATION locked{};
    if (!::GetFileInformationByHandle(opened, &locked))
      return false;
    if (!StillNamed(target, locked))
      continue;
    std::string contents;
    if (!ReadWhole(opened, contents) || !FinishInterruptedWrite(fd, target, contents))
      return false;
    const std::string updated = WithProfileValue(contents, section, key, value);
    if (updated == contents)
      return true;
    if (locked.nNumberOfLinks > 1)
      return WriteInPlace(fd, target, contents, updated);
    switch (ReplaceAtomically(target, updated)) {
      case Replaced::Yes:
        return true;
      case Replaced::No:
        return false;
      case Replaced::NotAsTheFileWas:
        return WriteInPlace(fd, target, contents, updated);
    }
    return false;
  }
  return false;
}

}  // namespace platform
