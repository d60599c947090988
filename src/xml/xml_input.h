// XMLInput: the character source of the XML reader, over a std::istream.
//
// The reader looks at one character at a time in principle, but going through
// the stream's virtual calls for each one is slow, so this takes the stream's
// bytes in blocks and lets the reader scan a block directly (Window/Consume).
// Characters are bytes; nothing is translated here (a text stream of
// TextInputFile has already turned CR LF into LF).
//
// Reading ahead takes bytes from the stream that the reader may never use;
// when the input is destroyed it gives them back where the stream can seek
// (files, string streams), so the stream stands just after the last byte the
// reader used.
//
// A stream that is not good at the start reads as an empty input.
// One thread, one reader.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string_view>

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
  void SkipWhiteSpace();
  // Takes prefix when the input continues with it; otherwise takes nothing.
  bool SkipPrefix(std::string_view prefix);

  // The characters available without reading further; empty only at the end.
  std::string_view Window() {
    AtEnd();
    return {m_next, static_cast<std::size_t>(m_end - m_next)};
  }
  // Takes count characters of the current window.
  void Consume(std::size_t count) { m_next += count; }

 private:
  // Makes at least one character available unless the stream has ended.
  bool Fill();
  // Makes count characters available (keeping those not yet taken), as far as
  // the stream has them.
  void Ensure(std::size_t count);

  std::istream& m_stream;
  std::unique_ptr<char[]> m_block;
  const char* m_next = nullptr;
  const char* m_end = nullptr;
  bool m_streamEnded = false;
};
