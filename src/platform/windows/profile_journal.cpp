#include "platform/profile_journal.h"

#include <io.h>
#include <windows.h>

// Descriptors are the C runtime's, over handles that ProfileFile opened.
// NTFS journals its own folder entries, so unlike on Linux the folder needs
// no flush of its own once the journal is written.

namespace fs = std::filesystem;

namespace platform {
namespace {

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

bool PutAll(HANDLE file, std::string_view data, std::uint64_t at) {
  while (!data.empty()) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
    DWORD put = 0;
    if (!::WriteFile(file, data.data(), chunk, &put, &where) || put == 0)
      return false;
    data.remove_prefix(put);
    at += put;
  }
  return true;
}

bool Overwrite(HANDLE file, std::string_view contents) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(contents.size());
  return PutAll(file, contents, 0) &&
         ::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) &&
         ::FlushFileBuffers(file);
}

}  // namespace

bool WriteInPlace(int fd, const fs::path& file, std::string_view old, std::string_view updated) {
  const fs::path journalPath = ProfileJournalPath(file);
  // A link in the journal's place is replaced, never followed.
  const HANDLE journal =
      ::CreateFileW(journalPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (journal == INVALID_HANDLE_VALUE)
    return false;
  const std::string header = ProfileJournalHeader(old.size(), updated.size());
  const bool journalled = PutAll(journal, header, 0) && PutAll(journal, old, header.size()) &&
                          PutAll(journal, updated, header.size() + old.size()) &&
                          ::FlushFileBuffers(journal);
  ::CloseHandle(journal);
  if (!journalled) {
    ::DeleteFileW(journalPath.c_str());
    return false;
  }
  if (!Overwrite(HandleOf(fd), updated))
    return false;  // the journal stays, for the next writer to finish
  ::DeleteFileW(journalPath.c_str());
  return true;
}

bool FinishInterruptedWrite(int fd, const fs::path& file, std::string& contents) {
  const fs::path journalPath = ProfileJournalPath(file);
  if (::GetFileAttributesW(journalPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return true;
  if (auto finished = InterruptedWriteResult(file, contents)) {
    if (!Overwrite(HandleOf(fd), *finished))
      return false;
    contents = std::move(*finished);
  }
  ::DeleteFileW(journalPath.c_str());
  return true;
}

}  // namespace platform
