#include "xml/xml_input.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

XMLInput::XMLInput(std::istream& stream) : m_stream(stream) {
  m_streamEnded = !stream.good() || stream.rdbuf() == nullptr;
  if (!m_streamEnded)
    m_scannable = dynamic_cast<ScannableBuffer*>(stream.rdbuf());
  if (m_scannable == nullptr)
    m_block.reset(new char[kBlockSize]);
  m_windowStart = m_next = m_end = m_block.get();
}

XMLInput::~XMLInput() {
  if (m_scannable != nullptr) {
    ReturnWindow();
    return;
  }
  const auto unread = static_cast<std::streamoff>(m_end - m_next);
  if (unread > 0 && m_stream.rdbuf() != nullptr) {
    try {
      m_stream.rdbuf()->pubseekoff(-unread, std::ios_base::cur, std::ios_base::in);
    } catch (...) {
      // A stream that cannot give bytes back keeps them consumed.
    }
  }
}

void XMLInput::ReturnWindow() {
  m_scannable->Advance(static_cast<std::size_t>(m_next - m_windowStart));
  m_windowStart = m_next;
}

bool XMLInput::Fill() {
  if (m_streamEnded)
    return false;
  if (m_scannable != nullptr) {
    ReturnWindow();
    std::string_view window;
    try {
      window = m_scannable->Available();
    } catch (...) {
      window = {};
    }
    if (window.empty()) {
      m_streamEnded = true;
      return false;
    }
    m_windowStart = m_next = window.data();
    m_end = m_next + window.size();
    return true;
  }
  std::streamsize got = 0;
  try {
    got = m_stream.rdbuf()->sgetn(m_block.get(), kBlockSize);
  } catch (...) {
    // The reader reports nothing: a stream that fails ends the input.
    got = 0;
  }
  if (got <= 0) {
    m_streamEnded = true;
    return false;
  }
  m_next = m_block.get();
  m_end = m_next + got;
  return true;
}

void XMLInput::Ensure(std::size_t count) {
  if (m_scannable != nullptr) {
    AtEnd();
    const auto inWindow = static_cast<std::size_t>(m_end - m_next);
    if (inWindow >= count || m_streamEnded)
      return;
    // A window too short for the look-ahead: from here on the bytes are
    // copied into a block of this input's own, which can join windows.
    m_block.reset(new char[kBlockSize]);
    std::memcpy(m_block.get(), m_next, inWindow);
    m_next = m_end;
    ReturnWindow();
    m_scannable = nullptr;
    m_next = m_block.get();
    m_end = m_next + inWindow;
  }
  auto available = static_cast<std::size_t>(m_end - m_next);
  if (available >= count || m_streamEnded)
    return;
  std::memmove(m_block.get(), m_next, available);
  m_next = m_block.get();
  m_end = m_next + available;
  while (available < count && !m_streamEnded) {
    std::streamsize got = 0;
    try {
      got = m_stream.rdbuf()->sgetn(m_block.get() + available,
                                    static_cast<std::streamsize>(kBlockSize - available));
    } catch (...) {
      got = 0;
    }
    if (got <= 0) {
      m_streamEnded = true;
      break;
    }
    available += static_cast<std::size_t>(got);
    m_end = m_next + available;
  }
}

void XMLInput::SkipWhiteSpaceRun() {
  for (;;) {
    std::string_view window = Window();
    if (window.empty())
      return;
    auto stop = std::find_if_not(window.begin(), window.end(), IsXmlSpace);
    Consume(static_cast<std::size_t>(stop - window.begin()));
    if (stop != window.end())
      return;
  }
}

bool XMLInput::SkipPrefix(std::string_view prefix) {
  Ensure(std::min(prefix.size(), kBlockSize));
  std::string_view window(m_next, static_cast<std::size_t>(m_end - m_next));
  if (window.substr(0, prefix.size()) != prefix)
    return false;
  Consume(prefix.size());
  return true;
}
