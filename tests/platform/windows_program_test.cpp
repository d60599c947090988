#include "platform/windows_program.h"
#include "testkit/host.h"

#include <gtest/gtest.h>

namespace {

using platform::WindowsMachine;
using namespace std::string_literals;

std::string Header(std::uint32_t peAt, const std::string& signature, std::uint16_t machine) {
  std::string bytes(std::max<std::uint32_t>(peAt, 0x40), '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  for (int i = 0; i < 4; ++i)
    bytes[0x3c + i] = static_cast<char>((peAt >> (8 * i)) & 0xff);
  bytes.resize(peAt);
  bytes += signature;
  bytes += static_cast<char>(machine & 0xff);
  bytes += static_cast<char>(machine >> 8);
  return bytes;
}

TEST(WindowsProgram, TheMachineComesFromThePeHeaderThatTheDosHeaderPointsAt) {
  const struct {
    std::string bytes;
    WindowsMachine machine;
  } cases[] = {
      {Header(0x40, "PE\0\0"s, 0x8664), WindowsMachine::Amd64},
      {Header(0x80, "PE\0\0"s, 0x14c), WindowsMachine::I386},
      {Header(0x40, "PE\0\0"s, 0xaa64), WindowsMachine::Other},
      {Header(0x40, "NE\0\0"s, 0x14c), WindowsMachine::Other},
      {Header(0x40, "PE\0\0"s, 0x8664).substr(0, 0x45), WindowsMachine::Other},
      {"MZ", WindowsMachine::Other},
      {"#!/bin/sh\n", WindowsMachine::NotWindows},
      {"", WindowsMachine::NotWindows},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::MachineOfHeader(c.bytes), c.machine) << c.bytes.size();
  // A header offset past the file, or absurdly far, is not a PE header.
  std::string far = Header(0x40, "PE\0\0"s, 0x8664);
  far[0x3e] = 0x7f;
  EXPECT_EQ(platform::MachineOfHeader(far), WindowsMachine::Other);
}

TEST(WindowsProgram, TheUserIsToldWhatToInstallWhenWineCannotRunTheProgram) {
  SKIP_ON_WINDOWS("Wine's own wording (\"a Windows program that Wine can run\")");
  const std::string setup = "c:\\temp\\setup.exe";
  const struct {
    WindowsMachine machine;
    bool wine;
    bool wine32;
    std::string why;
  } cases[] = {
      {WindowsMachine::Amd64, true, false, ""},
      {WindowsMachine::I386, true, true, ""},
      {WindowsMachine::NotWindows, false, false, ""},
      {WindowsMachine::Amd64, false, false,
       setup + " is a Windows program, and Wine is not installed: install the wine package."},
      {WindowsMachine::I386, true, false,
       setup + " is a 32-bit Windows program, and this Wine runs only 64-bit ones: install "
               "wine32 from the i386 architecture."},
      {WindowsMachine::Other, true, true,
       setup + " is not a Windows program that Wine can run: ask for the installer again."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::WhyWindowsProgramCannotRun(setup, c.machine, c.wine, c.wine32), c.why);
  }
}

TEST(WindowsProgram, ThirtyTwoBitSupportNeedsOneOfWinesThirtyTwoBitParts) {
  EXPECT_FALSE(platform::HasPartFor32BitPrograms({"/nonexistent/wine", "/nonexistent/i386-unix"}));
  EXPECT_TRUE(platform::HasPartFor32BitPrograms({"/nonexistent/wine", "/usr"}));
}

}  // namespace
