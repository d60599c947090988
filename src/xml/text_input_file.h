// TextInputFile: a file opened for reading as a text stream of the suite's
// platform opens it: each CR LF pair arrives as a single LF; a CR on its own
// stays. The catalogue and the library version list are read through it, so
// a document written with either line ending reads into the same tree. Where
// the system's text files end at a Ctrl+Z (platform::TextEndsAtCtrlZ), so
// does the text read here.
// A file's bytes already in memory (the catalogue, as verified) read through
// it exactly as the file itself would.
//
// A file that cannot be opened gives a stream that is not good (and reads as
// an empty document). Not seekable. The reader scans its bytes in place (see
// ScannableBuffer): a file's block is converted where it was read, and a
// block of bytes in memory without a CR is handed out as it lies. One thread
// per stream.
#pragma once

#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <streambuf>
#include <string_view>

#include "xml/xml_input.h"

class TextInputFile : public std::istream {
 public:
  // A file's bytes, held by the caller for the stream's lifetime.
  struct Contents {
    std::string_view bytes;
  };

  explicit TextInputFile(const std::filesystem::path& hostPath);
  explicit TextInputFile(Contents contents);
  ~TextInputFile() override;
  TextInputFile(const TextInputFile&) = delete;
  TextInputFile& operator=(const TextInputFile&) = delete;

  bool is_open() const { return m_buffer.IsOpen(); }

 private:
  class CrLfBuffer : public ScannableBuffer {
   public:
    CrLfBuffer() = default;
    ~CrLfBuffer() override;
    CrLfBuffer(const CrLfBuffer&) = delete;
    CrLfBuffer& operator=(const CrLfBuffer&) = delete;

    bool Open(const std::filesystem::path& hostPath);
    void Open(std::string_view bytes);
    bool IsOpen() const { return m_file != nullptr || m_inMemory; }

   protected:
    int_type underflow() override;

   private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    // The next block of raw bytes and its size; 0 at the end. A file's are
    // read into m_text, one byte in, so that they are converted in place.
    std::size_t NextRaw(const char*& raw);

    std::FILE* m_file = nullptr;
    bool m_inMemory = false;
    // A Ctrl+Z was met: nothing more is read.
    bool m_ended = false;
    std::string_view m_unread;
    // A CR at the end of a block waits to see whether an LF follows.
    bool m_pendingCr = false;
    // One more than a block: the pending CR of the block before may lead.
    std::unique_ptr<char[]> m_text;
  };

  CrLfBuffer m_buffer;
};
