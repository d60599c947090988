// The document's file, against real files.
#include "app/document_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/host_path.h"
#include "testkit/temp_folder.h"
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

#ifdef _WIN32
TEST(DocumentFile, ACharacterThatWindows1252LacksBecomesAQuestionMarkNotALookAlike) {
  TempFolder folder;
  const fs::path odd = folder.Path() / L"\u0142\u00f3d\u017a";  // ł, ó, d, ź
  fs::create_directories(odd);
  const fs::path before = fs::current_path();
  fs::current_path(odd);
  const std::string full = platform::FullPathName("a.upd");
  fs::current_path(before);
  // ó is in Windows-1252; ł and ź are not (their look-alikes would be l and z).
  EXPECT_EQ(full.substr(full.size() - 11),
            "\\?\xf3"
            "d?\\a.upd");
}
#endif
