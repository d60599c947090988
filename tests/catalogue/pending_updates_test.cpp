#include "catalogue/pending_updates.h"

#include <gtest/gtest.h>

namespace {

struct PendingCase {
  const char* what;
  const char* started;  // [internet] update<name>
  std::optional<InstalledRecord> record;
  const char* sha256;
  const char* date;
  bool pending;
};

const std::string kDigest(64, 'a');
const std::string kOtherDigest(64, 'b');

}  // namespace

TEST(IsPending, DecidesFromTheStartRecordTheDigestAndTheDate) {
  const std::vector<PendingCase> cases = {
      {"never started", "", std::nullopt, kDigest.c_str(), "", true},
      {"never started, though a record is left", "", InstalledRecord{kDigest, "01/03/2026"},
       kDigest.c_str(), "", true},
      {"started, the same digest", "01/03/2026", InstalledRecord{kDigest, "01/03/2026"},
       kDigest.c_str(), "", false},
      {"the digest compares without regard to case", "01/03/2026",
       InstalledRecord{kDigest, "01/03/2026"},
       "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "", false},
      {"another digest", "01/03/2026", InstalledRecord{kDigest, "01/03/2026"}, kOtherDigest.c_str(),
       "", true},
      {"a digest where there was none", "01/03/2026", InstalledRecord{"", "01/03/2026"},
       kDigest.c_str(), "", true},
      {"a digest gone", "01/03/2026", InstalledRecord{kDigest, "01/03/2026"}, "", "", true},
      {"a later date", "01/03/2026", InstalledRecord{kDigest, "01/03/2026"}, kDigest.c_str(),
       "02-03-2026", true},
      {"the same date", "05/03/2026", InstalledRecord{kDigest, "01/03/2026"}, kDigest.c_str(),
       "1.3.2026", false},
      {"an earlier date", "01/03/2026", InstalledRecord{kDigest, "01/03/2026"}, kDigest.c_str(),
       "28/02/2026", false},
      {"a date no day can be", "01/03/2026", InstalledRecord{kDigest, "01/03/2026"},
       kDigest.c_str(), "soon", false},
      {"its installer failed", "01/03/2026", InstalledRecord{kDigest, "01/03/2026", true},
       kDigest.c_str(), "", true},
      {"started by an earlier updater: the date against the start", "01/03/2026", std::nullopt,
       kDigest.c_str(), "02/03/2026", true},
      {"started by an earlier updater, nothing newer", "01/03/2026", std::nullopt, kDigest.c_str(),
       "01/03/2026", false},
  };
  for (const PendingCase& c : cases)
    EXPECT_EQ(IsPending(c.started, c.record, c.sha256, c.date), c.pending) << c.what;
}

TEST(InstalledRecord, ReadsBackWhatWasWrittenAndNothingElse) {
  for (const InstalledRecord& record :
       {InstalledRecord{kDigest, "01/03/2026"}, InstalledRecord{"", "", true}}) {
    const auto read = ReadInstalledRecord(InstalledRecordText(record));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sha256, record.sha256);
    EXPECT_EQ(read->date, record.date);
    EXPECT_EQ(read->failed, record.failed);
  }
  EXPECT_EQ(InstalledRecordText({"AB", "1|2|2026"}), "ab|1 2 2026");
  EXPECT_FALSE(ReadInstalledRecord("no separator"));
  EXPECT_FALSE(ReadInstalledRecord("ab|01/03/2026|later"));
}
