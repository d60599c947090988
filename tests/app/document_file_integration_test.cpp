// The document's file, against real files.
#include "app/document_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/host_path.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

TEST(DocumentFile, SaveAsksForANameUntilThereIsAFileItMayWrite) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\docs\\kept.upd", "");
  prefix.WriteFile("c:\\docs\\locked.upd", "");
  fs::permissions(prefix.Host("c:\\docs\\locked.upd"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const struct {
    const char* path;
    bool asks;
  } cases[] = {
      {"", true},         {"c:\\docs\\saved.upd", true},  // saved before, but saving writes nothing
      {"c:\\docs", true}, {"c:\\docs\\locked.upd", true}, {"c:\\docs\\kept.upd", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SaveAsksForName(c.path), c.asks) << c.path;
}

TEST(DocumentFile, TheDocumentIsNamedAfterItsFileAndKeepsItsFullPath) {
  EXPECT_EQ(DocumentTitleOf("c:\\docs\\report.upd"), "report.upd");
  EXPECT_EQ(DocumentTitleOf("/home/user/report.upd"), "report.upd");
  EXPECT_EQ(DocumentTitleOf("report.upd"), "report.upd");
  EXPECT_EQ(platform::FullPathName("c:\\docs\\report.upd"), "c:\\docs\\report.upd");
  EXPECT_EQ(platform::FullPathName("report.upd"), (fs::current_path() / "report.upd").string());
}
