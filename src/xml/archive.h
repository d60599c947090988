// TreeArchive: a binary archive of element trees (CXMLVar::Serialize).
//
// Format, version 1, all numbers little-endian:
//   header   the four bytes "OXMT", then the format version (16-bit)
//   element  the attribute count, then each attribute's name and value (in
//            name order); the child count, then each child as an element;
//            the name; the value; the parent reference; the ordinal
//   text     its length (32-bit), then its bytes
//   counts   32-bit unsigned; the ordinal 32-bit signed
//   parent   32-bit: 0 for none, else the number of the parent element, the
//            elements being numbered from 1 in the order they begin. The
//            stored root always refers to none.
// Instruction nodes are not stored. Each Serialize call writes one header
// and one element tree.
//
// Loading trusts nothing: a count or a length is never allocated up front,
// texts are read in blocks as the bytes arrive, a parent reference must name
// the element whose child list holds the element, and nesting is followed
// with an explicit stack. A truncated or corrupted archive marks the archive
// failed and leaves the element being loaded as it was.
//
// One thread per archive.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

class TreeArchive {
 public:
  static constexpr std::uint16_t kVersion = 1;

  // For storing into out.
  explicit TreeArchive(std::ostream& out) : m_out(&out) {}
  // For loading from in.
  explicit TreeArchive(std::istream& in) : m_in(&in) {}

  bool IsStoring() const { return m_out != nullptr; }
  bool IsLoading() const { return m_in != nullptr; }
  // True once a load met a truncated or corrupted archive, or the stream
  // failed. Every later read fails too.
  bool Failed() const { return m_failed; }
  // For the loader: marks the archive corrupted.
  void Fail() { m_failed = true; }

  void WriteHeader();
  void WriteCount(std::size_t count);
  void WriteUint32(std::uint32_t number);
  void WriteInt32(std::int32_t number);
  void WriteText(std::string_view text);

  // Each returns false, and marks the archive failed, when the bytes are not
  // there or are not what the format allows.
  bool ReadHeader();
  bool ReadUint32(std::uint32_t& number);
  bool ReadInt32(std::int32_t& number);
  bool ReadText(std::string& text);

 private:
  bool ReadBytes(char* into, std::size_t count);
  void WriteBytes(const char* from, std::size_t count);

  std::ostream* m_out = nullptr;
  std::istream* m_in = nullptr;
  bool m_failed = false;
};
