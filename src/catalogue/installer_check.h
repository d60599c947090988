// The last check before an installer starts: its file's SHA-256 against the
// digest its catalogue item carries (<Sha256>, 64 hexadecimal digits, any
// case), and against an information text's (<InfoSha256>) before the text is
// opened.
//
// A file that does not match starts nothing (or is not opened) and is
// removed, unless it is not ours to remove (an installer in the office's
// network folder, run from there); the user is told which update failed and
// the log records both digests. When the catalogue was signed, an installer
// without a digest is not started either: the signature vouches for nothing
// else about it.
//
// UI thread.
#pragma once

#include <string>

struct FileCheck {
  std::string windowsPath;
  // The item's digest text; empty when it carries none.
  std::string expectedSha256;
  bool digestRequired = false;
  // How the user knows the update: its "Description", else the file's path.
  std::string name;
  bool removeOnFailure = true;
};

// True when the file may be used.
bool PassesFileCheck(const FileCheck& check);
