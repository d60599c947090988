#include "platform/windows_program.h"

#include <cstdint>
#include <fstream>

#include "platform/windows_program_host.h"

// Reading a program's header, and what the user is told when the program
// cannot run, are the same on every host; only whether a file counts as a
// program, and the wording for a file that is none, are each host's
// (windows_program_host.h).

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr std::size_t kLfanewOffset = 0x3c;
// A PE header further in than this is not one Windows itself would load.
constexpr std::uint32_t kFurthestPeHeader = 64 * 1024;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMachineI386 = 0x14c;

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i)
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

}  // namespace

WindowsMachine MachineOfHeader(std::string_view bytes) {
  if (bytes.size() < 2 || bytes.substr(0, 2) != "MZ")
    return WindowsMachine::NotWindows;
  if (bytes.size() < kLfanewOffset + 4)
    return WindowsMachine::Other;
  const std::uint32_t peAt = LittleEndian(bytes, kLfanewOffset, 4);
  if (peAt > kFurthestPeHeader || bytes.size() < std::size_t{peAt} + 6)
    return WindowsMachine::Other;
  if (bytes.substr(peAt, 4) != std::string_view("PE\0\0", 4))
    return WindowsMachine::Other;
  switch (LittleEndian(bytes, peAt + 4, 2)) {
    case kMachineAmd64:
      return WindowsMachine::Amd64;
    case kMachineI386:
      return WindowsMachine::I386;
    default:
      return WindowsMachine::Other;
  }
}

WindowsMachine MachineOf(const fs::path& program) {
  std::ifstream in(program, std::ios::binary);
  std::string bytes(kFurthestPeHeader + 6, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return MachineOfHeader(bytes);
}

bool HasPartFor32BitPrograms(const std::vector<fs::path>& probes) {
  for (const fs::path& probe : probes) {
    std::error_code ec;
    if (fs::is_directory(probe, ec) || (fs::is_regular_file(probe, ec) && host::IsProgram(probe)))
      return true;
  }
  return false;
}

std::string WhyWindowsProgramCannotRun(const std::string& program, WindowsMachine machine,
                                       bool wineFound, bool wine32) {
  switch (machine) {
    case WindowsMachine::NotWindows:
      return "";
    case WindowsMachine::Other:
      return program + host::kNotARunnableProgram;
    case WindowsMachine::Amd64:
    case WindowsMachine::I386:
      break;
  }
  // Callers on Windows pass true for both.
  if (!wineFound)
    return program + " is a Windows program, and Wine is not installed: install the wine package.";
  if (machine == WindowsMachine::I386 && !wine32) {
    return program +
           " is a 32-bit Windows program, and this Wine runs only 64-bit ones: install wine32 "
           "from the i386 architecture.";
  }
  return "";
}

}  // namespace platform
