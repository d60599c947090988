// XMLInput: the character source of the XML reader, over a std::istream.
//
// The reader looks at one character at a time in principle, but going through
// the stream's virtual calls for each one is slow, so the reader scans a
// window of bytes directly (Window/Consume). Over a ScannableBuffer (the text
// files' stream buffer) the window is the buffer's own bytes, read in place;
// over any other stream the bytes are taken into a block of this input's own.
// Characters are bytes; nothing is translated here (a text stream of
// TextInputFile has already turned CR LF into LF).
//
// Reading ahead takes bytes from the stream that the reader may never use;
// when the input is destroyed it gives them back (a ScannableBuffer simply
// keeps them; other streams where they can seek: files, string streams), so
// the stream stands just after the last byte the reader used.
//
// A stream that is not good at the start reads as an empty input.
// One thread, one reader.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <streambuf>
#include <string_view>

#include "xml/xml_space.h"

// A stream buffer whose bytes the reader may scan where they lie, in the
// buffer's get area, rather than have them copied out.
class ScannableBuffer : public std::streambuf {
 public:
  // The bytes available without reading further, reading on when none is;
  // empty only at the end.
  std::string_view Available() {
    if (sgetc() == traits_type::eof())
      return {};
    return {gptr(), static_cast<std::size_t>(egptr() - gptr())};
  }
  // Takes `count` bytes of Available().
  void Advance(std::size_t count) { gbump(static_cast<int>(count)); }
};

class XMLInput {
 public:
  explicit XMLInput(std::istream& stream);
  ~XMLInput();
  XMLInput(const XMLInput&) = delete;
  XMLInput& operator=(const XMLInput&) = delete;

  // True when no character is left.
  bool AtEnd() { return m_next == m_end && !Fill(); }
  // The next character as 0..255 without taking it, or -1 at the end.
  int Peek() { return AtEnd() ? -1 : static_cast<unsigned char>(*m_next); }
  // Takes the next character: 0..255, or -1 at the end.
  int Take() { return AtEnd() ? -1 : static_cast<unsigned char>(*m_next++); }
  // Skips space, tab, line feed, vertical tab, form feed and carriage return.
  void SkipWhiteSpace() {
    if (m_next == m_end || IsXmlSpace(*m_next))
      SkipWhiteSpaceRun();
  }
  // Takes prefix when the input continues with it; otherwise takes nothing.
  bool SkipPrefix(std::string_view prefix);

  // The characters available without reading further; empty only at the end.
  // A view of them stays valid until the input is next asked for a window or
  // a character (Consume aside).
  std::string_view Window() {
    AtEnd();
    return {m_next, static_cast<std::size_t>(m_end - m_next)};
  }
  // Takes count characters of the current window.
  void Consume(std::size_t count) { m_next += count; }

 private:
  // Makes at least one character available unless the stream has ended.
  bool Fill();
  void SkipWhiteSpaceRun();
  // Makes count characters available (keeping those not yet taken), as far as
  // the stream has them.
  void Ensure(std::size_t count);
  // Hands the window taken so far back to the scannable buffer.
  void ReturnWindow();

  std::istream& m_stream;
  // Set while the bytes are read in place; then the window lies in its get
  // area from m_windowStart on.
  ScannableBuffer* m_scannable = nullptr;
  const char* m_windowStart = nullptr;
  // Otherwise the window lies in this block.
  std::unique_ptr<char[]> m_block;
  const char* m_next = nullptr;
  const char* m_end = nullptr;
  bool m_streamEnded = false;
};
