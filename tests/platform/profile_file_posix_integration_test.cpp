// Real processes writing the shared settings file: at the same moment, as
// other accounts, with ACLs and attributes, in folders they may not write,
// through links, and after a writer died part-way.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/profile_file.h"
#include "testkit/child_process.h"
#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"

using platform::ProfileFile;

namespace {

constexpr int kKeysEach = 200;

ChildProcess WriteKeysInChild(const std::filesystem::path& path, const std::string& section) {
  return ChildProcess::Fork([&] {
    ProfileFile file(path);
    for (int i = 0; i < kKeysEach; ++i) {
      if (!file.Write(section, "key" + std::to_string(i), std::to_string(i)))
        return 1;
    }
    return 0;
  });
}

}  // namespace

TEST(ProfileFileConcurrency, TwoProcessesEachWriting200KeysLoseNone) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "ostrel.ini";
  WriteHostFile(path, "; shared\r\n[other]\r\nkeep=me\r\n");
  ChildProcess first = WriteKeysInChild(path, "first");
  ChildProcess second = WriteKeysInChild(path, "second");
  ASSERT_EQ(first.Wait(), 0);
  ASSERT_EQ(second.Wait(), 0);
  ProfileFile file(path);
  for (int i = 0; i < kKeysEach; ++i) {
    EXPECT_EQ(file.ReadString("first", "key" + std::to_string(i), "lost"), std::to_string(i));
    EXPECT_EQ(file.ReadString("second", "key" + std::to_string(i), "lost"), std::to_string(i));
  }
  EXPECT_EQ(file.ReadString("other", "keep", ""), "me");
}

TEST(ProfileFileConcurrency, AWriterKilledMidwayLeavesAWholeFile) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "ostrel.ini";
  WriteHostFile(path, "[other]\r\nkeep=me\r\n");
  for (int round = 0; round < 20; ++round) {
    const std::string section = "round" + std::to_string(round);
    ChildProcess child = WriteKeysInChild(path, section);
    // Each round the writer dies a little further on.
    const std::string reached = "key" + std::to_string(round * 10) + "=";
    WaitUntil(
        [&] {
          const std::string written = ReadHostFile(path);
          const auto at = written.find("[" + section + "]");
          return at != std::string::npos && written.find(reached, at) != std::string::npos;
        },
        std::chrono::seconds(10));
    child.Kill();
    const std::string contents = ReadHostFile(path);
    ASSERT_EQ(contents.rfind("[other]\r\nkeep=me\r\n", 0), 0u) << contents;
    ASSERT_TRUE(contents.size() < 2 || contents.substr(contents.size() - 2) == "\r\n");
  }
}

namespace {

namespace fs = std::filesystem;

// Writes one key as uid:gid (0: as this process) in a child process.
bool WriteAs(uid_t uid, gid_t gid, const fs::path& path) {
  return ChildProcess::Fork([&] {
           if (uid != 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
             return 2;
           return ProfileFile(path).Write("general", "skin", "gresmo") ? 0 : 1;
         }).Wait() == 0;
}

std::size_t Entries(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

}  // namespace

TEST(ProfileFileOwnership, AFileOfAnotherAccountKeepsItsOwnerGroupAndMode) {
  if (geteuid() != 0)
    GTEST_SKIP() << "making files of other accounts needs root";
  const struct {
    uid_t writerUid;
    gid_t writerGid;
    mode_t mode;
  } cases[] = {
      {0, 0, 0664},          // root: the file is replaced, given back its owner
      {0, 0, 0600},          // the same, not readable by the group
      {20002, 20001, 0664},  // a member of the suite's group may not chown: in place
  };
  for (const auto& c : cases) {
    TempPrefix prefix;
    fs::permissions(prefix.Root(), fs::perms(0777));
    const auto path = prefix.Root() / "ostrel.ini";
    WriteHostFile(path, "[payroll]\r\nlast=1\r\n");
    ASSERT_EQ(chown(path.c_str(), 20001, 20001), 0);
    ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
    ASSERT_TRUE(WriteAs(c.writerUid, c.writerGid, path)) << c.writerUid;
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, 20001u);
    EXPECT_EQ(after.st_gid, 20001u);
    EXPECT_EQ(after.st_mode & 07777, c.mode);
    EXPECT_EQ(ReadHostFile(path), "[payroll]\r\nlast=1\r\n[general]\r\nskin=gresmo\r\n");
    EXPECT_EQ(Entries(prefix.Root()), 1u);  // no temporary file or journal left
  }
}

TEST(ProfileFileOwnership, AHardLinkAndADanglingLinkAreWrittenThroughToTheRealFile) {
  TempPrefix prefix;
  const auto real = prefix.Root() / "real.ini";
  const auto hard = prefix.Root() / "hard.ini";
  WriteHostFile(real, "[a]\r\nk=1\r\n");
  fs::create_hard_link(real, hard);
  ASSERT_TRUE(ProfileFile(hard).Write("a", "k", "2"));
  EXPECT_EQ(ReadHostFile(real), "[a]\r\nk=2\r\n");
  EXPECT_EQ(fs::hard_link_count(real), 2u);

  const auto dangling = prefix.Root() / "dangling.ini";
  fs::create_symlink("not-yet.ini", dangling);
  ASSERT_TRUE(ProfileFile(dangling).Write("a", "k", "3"));
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(ReadHostFile(prefix.Root() / "not-yet.ini"), "[a]\r\nk=3\r\n");
  EXPECT_EQ(Entries(prefix.Root()), 4u);
}

TEST(ProfileFileOwnership, AnOverwriteCutShortIsFinishedOnlyWhenNobodyWroteSince) {
  const std::string old = "[a]\r\nk=1\r\n";
  const std::string updated = "[a]\r\nk=22\r\n";
  const std::string journal = "ostrel-journal " + std::to_string(old.size()) + " " +
                              std::to_string(updated.size()) + "\n" + old + updated;
  const struct {
    std::string file, journal, k;
  } cases[] = {
      {updated.substr(0, 7) + old.substr(7), journal, "22"},  // torn: finished
      {old, journal, "22"},                                   // died before overwriting: finished
      {"[a]\r\nk=5\r\n", journal, "5"},                       // rewritten by another program since
      {old, journal.substr(0, journal.size() - 1), "1"},      // journal cut short
  };
  for (const auto& c : cases) {
    TempPrefix prefix;
    const auto path = prefix.Root() / "ostrel.ini";
    WriteHostFile(path, c.file);
    WriteHostFile(prefix.Root() / ".ostrel.ini.journal", c.journal);
    ProfileFile file(path);
    EXPECT_EQ(file.ReadString("a", "k", ""), c.k) << c.file;
    ASSERT_TRUE(file.Write("b", "x", "1"));
    EXPECT_EQ(ReadHostFile(path), "[a]\r\nk=" + c.k + "\r\n[b]\r\nx=1\r\n");
    EXPECT_EQ(Entries(prefix.Root()), 1u);
  }
}

namespace {

// Every extended attribute of a file (its POSIX ACL among them), by name.
std::map<std::string, std::string> Attributes(const fs::path& path) {
  std::map<std::string, std::string> attributes;
  std::string names(65536, '\0');
  const ssize_t size = llistxattr(path.c_str(), names.data(), names.size());
  for (std::size_t at = 0; size > 0 && at < static_cast<std::size_t>(size);) {
    const std::string name = names.c_str() + at;
    std::string value(65536, '\0');
    const ssize_t got = lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
    attributes[name] = value.substr(0, got < 0 ? 0 : static_cast<std::size_t>(got));
    at += name.size() + 1;
  }
  return attributes;
}

}  // namespace

TEST(ProfileFileOwnership, AFilesAclAndAttributesSurviveAWriteAndAClosedFolderIsWrittenInPlace) {
  if (geteuid() != 0)
    GTEST_SKIP() << "making files of other accounts needs root";
  constexpr uid_t kOwner = 20001;
  const struct {
    const char* name;
    uid_t writer;         // 0: this process, as root
    bool folderOpen;      // the writer may make files beside the settings file
    bool onlyRootMaySet;  // the file carries an attribute only root may give a file
    bool replaced;        // a new file took the old one's place
  } cases[] = {
      {"root gives a new file the owner's ACL and attributes", 0, true, false, true},
      {"so does the owner", kOwner, true, false, true},
      {"an attribute the owner may not give: written in place", kOwner, true, true, false},
      {"a folder the owner may not write: written in place", kOwner, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempPrefix prefix;
    fs::permissions(prefix.Root(), fs::perms(c.folderOpen ? 0777 : 0755));
    const auto path = prefix.Root() / "ostrel.ini";
    WriteHostFile(path, "[payroll]\r\nlast=1\r\n");
    ASSERT_EQ(chown(path.c_str(), kOwner, kOwner), 0);
    if (setxattr(path.c_str(), "user.suite", "kept", 4, 0) != 0)
      GTEST_SKIP() << "this file system keeps no extended attributes";
    // Another user of the suite, let in by the ACL alone.
    const std::string grant = "setfacl -m u:20003:rw '" + path.string() + "'";
    ASSERT_EQ(std::system(grant.c_str()), 0) << "setfacl (Debian's acl package)";
    if (c.onlyRootMaySet) {
      ASSERT_EQ(setxattr(path.c_str(), "security.ostrel-test", "x", 1, 0), 0);
    }
    const auto before = Attributes(path);
    ASSERT_TRUE(before.contains("system.posix_acl_access"));
    struct stat was {};
    ASSERT_EQ(stat(path.c_str(), &was), 0);

    ASSERT_TRUE(WriteAs(c.writer, kOwner, path));
    EXPECT_EQ(ReadHostFile(path), "[payroll]\r\nlast=1\r\n[general]\r\nskin=gresmo\r\n");
    EXPECT_EQ(Attributes(path), before);
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino != was.st_ino, c.replaced);
    EXPECT_EQ(after.st_uid, kOwner);
    EXPECT_EQ(Entries(prefix.Root()), 1u);  // no temporary file or journal left
  }
}
