// Which catalogue items this machine has not got yet: the pending updates
// that the list marks, `--check` reports and `--install-pending` installs.
//
// An item is pending when it was never started here (no [internet]
// update<name> in the settings file), when the last installer started for it
// ended in failure, when its Sha256 differs from the one recorded when it was
// last started, or when its Date is later than the date recorded then. What
// was recorded lives in the updater's own records (support/updater_state.h),
// section "installed<skin>", one key per item name (the Info name without its
// extension): "<sha256> <date>", with " failed" appended once its installer
// ended in failure. The date is the catalogue's Date when the item had one,
// else the day it was started.
//
// IsPending and the record texts are pure functions; PendingItems reads the
// settings file and the records. UI thread (or the unattended run's one thread).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CXMLVar;
class UpdaterState;

struct InstalledRecord {
  // Lower-case hex; empty when the catalogue had no digest then.
  std::string sha256;
  // "dd/mm/yyyy".
  std::string date;
  bool failed = false;
};

std::string InstalledRecordText(const InstalledRecord& record);
// nullopt for a text no record of ours could be (edited by hand, cut short).
std::optional<InstalledRecord> ReadInstalledRecord(std::string_view text);

// The one decision. `startedDate` is [internet] update<name> (empty: never
// started); `record` is the updater's own record of that start, which an
// item started by an earlier version of the updater lacks: then only the
// date rule applies, against the day it was started. `sha256` and `date` are
// the catalogue's fields (empty when absent).
bool IsPending(std::string_view startedDate, const std::optional<InstalledRecord>& record,
               std::string_view sha256, std::string_view date);

// The section of the records that holds the items started for `skin`.
std::string InstalledSection(std::string_view skin);

// Every item of `downloads` (items with fields, in order) that is pending for
// the active skin; none for no catalogue. Records that cannot be read count
// as absent.
std::vector<CXMLVar*> PendingItems(CXMLVar* downloads);

// Writes what was started for the item named `name` (the Info name), or that
// its installer failed; a record that cannot be kept is logged, and the
// update goes on.
void RecordInstallerStarted(const std::string& name, std::string_view sha256,
                            std::string_view catalogueDate, std::string_view today);
void RecordInstallerFailed(const std::string& name);
