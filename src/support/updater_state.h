// The updater's own records, kept apart from the suite's shared settings
// file: that file may be rewritten by every suite program and any user of
// the prefix, so a record there that guards against something (the highest
// catalogue serial accepted) could be lowered by any of them, or silently
// not kept when the file cannot be written. These live in a file of the
// updater's own (platform/state_folder.h), one per prefix.
//
// The file is a profile file of Windows-1252 texts, one section per kind of
// record, so that a new kind of record takes a section of its own and
// reshapes none of the others:
//   [catalogueserial]  <skin>=<serial>   the highest catalogue serial accepted
//                                        for a brand (catalogue/signed_catalogue.h)
//   [installed<skin>]  <name>=<sha256>|<date>[|failed]   what was last started
//                                        for an item (catalogue/pending_updates.h)
//   [cataloguekeys]    <skin>.<version>=...  the key lists accepted for a brand
//                                        (catalogue/catalogue_keys.h)
// Names match without regard to case; a value is one line of at most 65,535
// characters (a document of several lines is kept encoded, in base64, say).
//
// Load reads the whole file; Get and Set work on what was read; Save writes
// it whole to a temporary file beside it, fsynced, and renames it into place,
// so a crash leaves the old records or the new ones, never a mix. The folder
// is made (for this user alone) when missing. One writer at a time: the
// updater that holds the prefix's lock (the machine's, on Windows).
//
// One object belongs to one thread (the UI thread, in the program).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class UpdaterState {
 public:
  // The records of the prefix in use (of this user, on Windows).
  static UpdaterState Here();
  // nullopt: there is nowhere to keep them (no home folder).
  explicit UpdaterState(std::optional<std::filesystem::path> file);

  // Reads the file; a file not there yet holds no records. False, and Error()
  // says why, when it is there but cannot be read: its records are unknown
  // then, and Save will not write over them.
  bool Load();

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // False (nothing changes) for a name or value no profile line can hold.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Writes what Load read, with Set's changes. False, and Error() says why,
  // when the folder cannot be made or the file cannot be written (the file
  // on disk is then as it was), or when Load failed.
  bool Save();

  // The last failure, for the log: what could not be done, where, and the
  // system's reason.
  const std::string& Error() const { return m_error; }

 private:
  std::optional<std::filesystem::path> m_file;
  std::string m_text;
  bool m_loaded = false;
  std::string m_error;
};
