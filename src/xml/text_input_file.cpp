#include "xml/text_input_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/stdio_file.h"

TextInputFile::TextInputFile(const std::filesystem::path& hostPath) : std::istream(nullptr) {
  // rdbuf() also clears the bad state the null buffer left.
  rdbuf(&m_buffer);
  if (!m_buffer.Open(hostPath))
    setstate(std::ios_base::failbit);
}

TextInputFile::TextInputFile(Contents contents) : std::istream(nullptr) {
  rdbuf(&m_buffer);
  m_buffer.Open(contents.bytes);
}

TextInputFile::~TextInputFile() = default;

TextInputFile::CrLfBuffer::~CrLfBuffer() {
  if (m_file != nullptr)
    std::fclose(m_file);
}

bool TextInputFile::CrLfBuffer::Open(const std::filesystem::path& hostPath) {
  m_file = platform::OpenStdioFile(hostPath, "rb");
  if (m_file == nullptr)
    return false;
  // A folder opens on this platform but reads nothing; it is no file.
  std::error_code error;
  if (std::filesystem::is_directory(hostPath, error)) {
    std::fclose(m_file);
    m_file = nullptr;
    errno = EISDIR;
    return false;
  }
  m_text = std::make_unique<char[]>(kBlockSize + 1);
  return true;
}

void TextInputFile::CrLfBuffer::Open(std::string_view bytes) {
  m_inMemory = true;
  m_unread = bytes;
  m_text = std::make_unique<char[]>(kBlockSize + 1);
}

std::size_t TextInputFile::CrLfBuffer::NextRaw(const char*& raw) {
  if (m_ended)
    return 0;
  std::size_t got = 0;
  if (m_inMemory) {
    const std::string_view block = m_unread.substr(0, kBlockSize);
    m_unread.remove_prefix(block.size());
    raw = block.data();
    got = block.size();
  } else {
    raw = m_text.get() + 1;
    got = std::fread(m_text.get() + 1, 1, kBlockSize, m_file);
  }
  if (platform::TextEndsAtCtrlZ()) {
    if (const void* mark = std::memchr(raw, '\x1A', got)) {
      m_ended = true;
      got = static_cast<std::size_t>(static_cast<const char*>(mark) - raw);
    }
  }
  return got;
}

TextInputFile::CrLfBuffer::int_type TextInputFile::CrLfBuffer::underflow() {
  if (gptr() < egptr())
    return traits_type::to_int_type(*gptr());
  if (!IsOpen())
    return traits_type::eof();
  // A block that held nothing but a CR still to be decided yields no text;
  // read on until some text comes out or the file ends.
  for (;;) {
    const char* raw = nullptr;
    const std::size_t got = NextRaw(raw);
    char* const text = m_text.get();
    char* out = text;
    if (got == 0) {
      if (!m_pendingCr)
        return traits_type::eof();
      m_pendingCr = false;
      *out++ = '\r';
    } else if (!m_pendingCr && std::memchr(raw, '\r', got) == nullptr) {
      // Nothing to convert: the bytes are handed out where they lie (the
      // get area is only ever read).
      char* const lying = const_cast<char*>(raw);
      setg(lying, lying, lying + got);
      return traits_type::to_int_type(*gptr());
    } else {
      if (m_pendingCr && raw[0] != '\n')
        *out++ = '\r';
      m_pendingCr = false;
      // Copy the runs between CRs whole; only a CR needs a decision. The
      // text never runs ahead of the raw bytes, which may lie in the same
      // block a byte further on.
      std::size_t at = 0;
      while (at < got) {
        const void* found = std::memchr(raw + at, '\r', got - at);
        const std::size_t cr =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - raw) : got;
        std::memmove(out, raw + at, cr - at);
        out += cr - at;
        if (cr == got)
          break;
        if (cr + 1 == got)
          m_pendingCr = true;
        else if (raw[cr + 1] != '\n')
          *out++ = '\r';
        at = cr + 1;
      }
    }
    if (out != text) {
      setg(text, text, out);
      return traits_type::to_int_type(*gptr());
    }
  }
}
