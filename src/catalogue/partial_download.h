// An installer's download kept for the next run, and the file a transfer
// writes meanwhile.
//
// When a run ends (or is ended: closed, killed, its display lost) in the
// middle of an installer whose answer named a validator (a strong ETag, else
// Last-Modified), the bytes so far stay beside the target as one hidden
// partial file, ".NAME.partial", with a small record, ".NAME.partial.record":
// the URL, the validator and the file's whole length. The next run that
// fetches the same URL asks only for the rest (Range, with If-Range naming
// the validator); a server whose file has changed since sends it whole, and
// the partial starts over. A run removes partials nobody has written for 7
// days (RemoveStalePartials).
//
// Only the updater's own download folder keeps partials: one updater at a
// time writes there (the C: drive's lock). The network installers folder is
// shared with other machines, which may be fetching the same installer under
// the same name at the same time, so a transfer there only resumes within
// its run (TransferTarget with keepAcrossRuns false).
//
// The names cannot be taken for the others in these folders: ReplacementFile's
// temporaries end in ".xxxxxxxx.part", the settings writer's copies in "."
// and six letters or digits, neither in ".partial" nor ".partial.record".
//
// Threads: whichever runs the transfer; the sweep on the main thread at start.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/replacement_file.h"

// A partial nobody has written for this long is given up.
inline constexpr std::chrono::hours kPartialLifetime{24 * 7};

struct PartialRecord {
  std::string url;
  // What If-Range names: an entity tag with its quotes, or an HTTP date.
  std::string validator;
  // The whole file's length, when the server said it.
  std::optional<std::uint64_t> length;
};

std::string PartialRecordText(const PartialRecord& record);
// Nullopt for anything but a record of ours.
std::optional<PartialRecord> ParsePartialRecord(std::string_view text);

// The validator that identifies the file an answer carries: its ETag when
// strong, else its Last-Modified; empty when it has neither.
std::string ValidatorOf(const platform::HttpHead& head);

// Whether an answer (a 206) carries the file that `validator` names, as far
// as it tells: an answer that names no validator of that kind is taken at its
// word, since it honoured If-Range.
bool SameFile(const platform::HttpHead& head, const std::string& validator);

// Removes from `folder` the partials (and records) of ours that nobody has
// written for `unchangedFor`, and records whose partial is gone. A partial
// without a record is not known to be ours and stays. Returns how many
// files went.
std::size_t RemoveStalePartials(const std::filesystem::path& folder,
                                std::chrono::seconds unchangedFor = kPartialLifetime);

// The file a transfer writes: a temporary one (ReplacementFile), or with
// keepAcrossRuns, once an answer names a validator, the partial kept for the
// next run. Whatever it is, it takes the target's place only by Commit.
class TransferTarget {
 public:
  // `target` is a host path; `url` the request's URL, as the record keeps it.
  TransferTarget(std::filesystem::path target, std::string url, bool keepAcrossRuns);
  ~TransferTarget();
  TransferTarget(const TransferTarget&) = delete;
  TransferTarget& operator=(const TransferTarget&) = delete;

  // Takes up the partial kept for this URL, or opens a fresh temporary file;
  // false when neither can be written (Error() says why).
  bool Open();

  std::uint64_t Size() const { return m_file.Size(); }
  // The validator and the whole length of the file being written; empty and
  // nullopt until an answer has named them.
  const std::string& Validator() const { return m_validator; }
  std::optional<std::uint64_t> Length() const { return m_length; }
  bool IsKeptPartial() const { return m_partial; }

  // A whole answer begins: what the file held is dropped. With a validator
  // (and keepAcrossRuns) the file becomes the kept partial with its record;
  // without one it is a temporary file.
  bool StartOver(const std::string& validator, std::optional<std::uint64_t> length);
  bool Write(const char* data, std::size_t size) { return m_file.Write(data, size); }

  // Moves the file onto the target; a kept partial's record goes.
  bool Commit();
  // The run ends without the whole file: a kept partial stays for the next
  // run, a temporary file goes.
  void Keep();
  // Drops the file, a kept partial and its record too.
  void Discard();

  const std::string& Error() const { return m_file.Error(); }

 private:
  bool OpenTemporary();

  std::filesystem::path m_target;
  std::string m_url;
  bool m_keepAcrossRuns;
  platform::ReplacementFile m_file;
  bool m_partial = false;
  std::string m_validator;
  std::optional<std::uint64_t> m_length;
};
