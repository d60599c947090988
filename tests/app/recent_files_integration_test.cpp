#include "app/recent_files.h"

#include <gtest/gtest.h>

#include "support/settings.h"
#include "testkit/temp_prefix.h"

using Files = std::vector<std::string>;

TEST(RecentFiles, KeepsTheLastFourNewestFirstInTheSettingsFile) {
  TempPrefix prefix;
  WriteProfileString("general", "skin", "ostrel");
  RecentFileList list;
  for (const char* path : {"a.upd", "b.upd", "c.upd", "d.upd", "e.upd"})
    list.Add(path);
  EXPECT_EQ(list.Files(), (Files{"e.upd", "d.upd", "c.upd", "b.upd"}));

  RecentFileList reloaded;
  reloaded.Load();
  EXPECT_EQ(reloaded.Files(), list.Files());
  EXPECT_EQ(GetProfileString("Recent File List", "File1", ""), "e.upd");
  EXPECT_EQ(GetProfileString("general", "skin", ""), "ostrel");
}

TEST(RecentFiles, APathListedAlreadyMovesToTheTopWhateverItsCase) {
  TempPrefix prefix;
  RecentFileList list;
  list.Add("c:\\Docs\\One.upd");
  list.Add("two.upd");
  list.Add("C:\\DOCS\\one.upd");
  EXPECT_EQ(list.Files(), (Files{"C:\\DOCS\\one.upd", "two.upd"}));
  list.Add("");
  EXPECT_EQ(list.Files().size(), 2u);
}

TEST(RecentFiles, LoadingSkipsEmptyEntries) {
  TempPrefix prefix;
  WriteProfileString("Recent File List", "File1", "");
  WriteProfileString("Recent File List", "File2", "kept.upd");
  RecentFileList list;
  list.Load();
  EXPECT_EQ(list.Files(), (Files{"kept.upd"}));
}
