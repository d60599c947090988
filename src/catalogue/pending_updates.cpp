#include "catalogue/pending_updates.h"

#include <ctime>

#include "brand/skin.h"
#include "catalogue/item_fields.h"
#include "platform/ascii.h"
#include "support/dates.h"
#include "support/log.h"
#include "support/settings.h"
#include "support/updater_state.h"
#include "xml/xml_var.h"

namespace {

constexpr char kSeparator = '|';
constexpr std::string_view kFailed = "failed";

// Only the first 10 characters of a date text count; the separator of the
// record cannot be one of them.
std::string DateField(std::string_view date) {
  std::string text(date.substr(0, 10));
  for (char& c : text) {
    if (c == kSeparator)
      c = ' ';
  }
  return text;
}

// nullopt stands for a day after the last one the platform holds, which is
// later than any day it does hold.
bool IsLater(std::string_view date, std::string_view than) {
  const auto moment = DateTextToTime(date);
  const auto reference = DateTextToTime(than);
  if (!moment)
    return reference.has_value();
  return reference && *moment > *reference;
}

}  // namespace

std::string InstalledRecordText(const InstalledRecord& record) {
  std::string text = platform::AsciiLowerCased(record.sha256) + kSeparator + DateField(record.date);
  if (record.failed)
    text += kSeparator + std::string(kFailed);
  return text;
}

std::optional<InstalledRecord> ReadInstalledRecord(std::string_view text) {
  const auto first = text.find(kSeparator);
  if (first == std::string_view::npos)
    return std::nullopt;
  InstalledRecord record;
  record.sha256 = platform::AsciiLowerCased(std::string(text.substr(0, first)));
  std::string_view rest = text.substr(first + 1);
  if (const auto second = rest.find(kSeparator); second != std::string_view::npos) {
    if (rest.substr(second + 1) != kFailed)
      return std::nullopt;
    record.failed = true;
    rest = rest.substr(0, second);
  }
  record.date = std::string(rest);
  return record;
}

bool IsPending(std::string_view startedDate, const std::optional<InstalledRecord>& record,
               std::string_view sha256, std::string_view date) {
  if (startedDate.empty())
    return true;
  if (!record)
    return IsLater(date, startedDate);
  if (record->failed)
    return true;
  if (!platform::EqualsIgnoringCase(record->sha256, sha256))
    return true;
  return IsLater(date, record->date);
}

std::string InstalledSection(std::string_view skin) {
  return "installed" + std::string(skin);
}

std::vector<CXMLVar*> PendingItems(CXMLVar* downloads) {
  std::vector<CXMLVar*> pending;
  if (downloads == nullptr)
    return pending;
  UpdaterState state = UpdaterState::Here();
  if (!state.Load())
    Log("%s", state.Error().c_str());
  const std::string section = InstalledSection(GetSkin());
  std::vector<CXMLVar*> items;
  std::vector<std::string> names, keys;
  for (CXMLVar* item : downloads->Children()) {
    if (item->Children().empty())
      continue;
    items.push_back(item);
    names.push_back(InfoName(item->ChildValue("Info")));
    keys.push_back("update" + names.back());
  }
  const std::vector<std::string> started = GetProfileStrings("internet", keys, "");
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::optional<InstalledRecord> record;
    if (const auto text = state.Get(section, names[i]))
      record = ReadInstalledRecord(*text);
    if (IsPending(started[i], record, items[i]->ChildValue("Sha256"), items[i]->ChildValue("Date")))
      pending.push_back(items[i]);
  }
  return pending;
}

namespace {

void Keep(const std::string& name, const InstalledRecord& record) {
  UpdaterState state = UpdaterState::Here();
  if (!state.Load() || !state.Set(InstalledSection(GetSkin()), name, InstalledRecordText(record)) ||
      !state.Save())
    Log("could not record what was installed for %s: %s", name.substr(0, 80).c_str(),
        state.Error().c_str());
}

}  // namespace

void RecordInstallerStarted(const std::string& name, std::string_view sha256,
                            std::string_view catalogueDate, std::string_view today) {
  Keep(name, {std::string(sha256), std::string(catalogueDate.empty() ? today : catalogueDate)});
}

void RecordInstallerFailed(const std::string& name) {
  UpdaterState state = UpdaterState::Here();
  InstalledRecord record;
  if (state.Load()) {
    if (const auto text = state.Get(InstalledSection(GetSkin()), name)) {
      if (const auto read = ReadInstalledRecord(*text))
        record = *read;
    }
  }
  record.failed = true;
  Keep(name, record);
}
