#include "xml/archive.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "xml/xml_var.h"

namespace {

constexpr std::array<char, 4> kMagic{'O', 'X', 'M', 'T'};
// Texts are read in blocks of this size, so a corrupted length costs no more
// memory than the bytes that really follow it.
constexpr std::size_t kTextBlock = 64 * 1024;

}  // namespace

void TreeArchive::WriteBytes(const char* from, std::size_t count) {
  if (m_out == nullptr || m_failed)
    return;
  m_out->write(from, static_cast<std::streamsize>(count));
  if (!m_out->good())
    m_failed = true;
}

bool TreeArchive::ReadBytes(char* into, std::size_t count) {
  if (m_in == nullptr || m_failed)
    return false;
  m_in->read(into, static_cast<std::streamsize>(count));
  if (m_in->gcount() != static_cast<std::streamsize>(count))
    m_failed = true;
  return !m_failed;
}

void TreeArchive::WriteHeader() {
  WriteBytes(kMagic.data(), kMagic.size());
  const char version[2] = {static_cast<char>(kVersion & 0xFF), static_cast<char>(kVersion >> 8)};
  WriteBytes(version, sizeof version);
}

bool TreeArchive::ReadHeader() {
  std::array<char, 4> magic{};
  unsigned char version[2] = {};
  if (!ReadBytes(magic.data(), magic.size()) ||
      !ReadBytes(reinterpret_cast<char*>(version), sizeof version))
    return false;
  if (magic != kMagic || (version[0] | version[1] << 8) != kVersion)
    m_failed = true;
  return !m_failed;
}

void TreeArchive::WriteUint32(std::uint32_t number) {
  const char bytes[4] = {static_cast<char>(number), static_cast<char>(number >> 8),
                         static_cast<char>(number >> 16), static_cast<char>(number >> 24)};
  WriteBytes(bytes, sizeof bytes);
}

void TreeArchive::WriteCount(std::size_t count) {
  if (count > std::numeric_limits<std::uint32_t>::max()) {
    m_failed = true;
    return;
  }
  WriteUint32(static_cast<std::uint32_t>(count));
}

void TreeArchive::WriteInt32(std::int32_t number) {
  WriteUint32(static_cast<std::uint32_t>(number));
}

void TreeArchive::WriteText(std::string_view text) {
  WriteCount(text.size());
  WriteBytes(text.data(), text.size());
}

bool TreeArchive::ReadUint32(std::uint32_t& number) {
  unsigned char bytes[4] = {};
  if (!ReadBytes(reinterpret_cast<char*>(bytes), sizeof bytes))
    return false;
  number = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return true;
}

bool TreeArchive::ReadInt32(std::int32_t& number) {
  std::uint32_t raw = 0;
  if (!ReadUint32(raw))
    return false;
  number = static_cast<std::int32_t>(raw);
  return true;
}

bool TreeArchive::ReadText(std::string& text) {
  std::uint32_t length = 0;
  if (!ReadUint32(length))
    return false;
  text.clear();
  while (text.size() < length) {
    const std::size_t done = text.size();
    const std::size_t block = std::min<std::size_t>(kTextBlock, length - done);
    text.resize(done + block);
    if (!ReadBytes(text.data() + done, block)) {
      text.clear();
      return false;
    }
  }
  return true;
}

namespace {

void StoreTree(const CXMLVar& root, TreeArchive& archive) {
  struct Frame {
    const CXMLVar* element;
    const CXMLVar* next;
    std::uint32_t number;
    std::uint32_t parentNumber;
  };
  std::vector<Frame> frames;
  std::uint32_t lastNumber = 0;
  auto begin = [&](const CXMLVar& element, std::uint32_t parentNumber) {
    if (lastNumber == std::numeric_limits<std::uint32_t>::max()) {
      archive.Fail();
      return;
    }
    archive.WriteCount(element.m_Attributes.size());
    for (const auto& [name, value] : element.m_Attributes) {
      archive.WriteText(name);
      archive.WriteText(value);
    }
    archive.WriteCount(element.Children().size());
    frames.push_back({&element, element.Children().front(), ++lastNumber, parentNumber});
  };

  archive.WriteHeader();
  begin(root, 0);
  while (!frames.empty() && !archive.Failed()) {
    Frame& top = frames.back();
    if (top.next != nullptr) {
      const CXMLVar& child = *top.next;
      top.next = child.NextSibling();
      begin(child, top.number);
      continue;
    }
    archive.WriteText(top.element->m_strName);
    archive.WriteText(top.element->m_strValue);
    archive.WriteUint32(top.parentNumber);
    archive.WriteInt32(top.element->Ordinal());
    frames.pop_back();
  }
}

}  // namespace

// Builds a tree from an archive beside the element being loaded, and moves it
// in only once the whole tree has been read.
class TreeLoader {
 public:
  explicit TreeLoader(TreeArchive& archive) : m_archive(archive) {}

  void LoadInto(CXMLVar& target) {
    auto loaded = std::make_unique<CXMLVar>();
    if (!m_archive.ReadHeader() || !Load(*loaded)) {
      m_archive.Fail();
      return;
    }
    // The old children go with a holder that destroys them without recursion.
    CXMLVar discarded;
    discarded.TakeChildrenFrom(target);
    target.TakeChildrenFrom(*loaded);
    target.m_strName = std::move(loaded->m_strName);
    target.m_strValue = std::move(loaded->m_strValue);
    target.m_Attributes.TakeAttributes(loaded->m_Attributes);
    target.m_nOrdinal = loaded->m_nOrdinal;
  }

 private:
  struct Frame {
    CXMLVar* element;
    std::uint32_t childrenLeft;
    std::uint32_t number;
    std::uint32_t parentNumber;
  };

  bool Begin(CXMLVar& element, std::uint32_t parentNumber) {
    std::uint32_t attributes = 0;
    if (!m_archive.ReadUint32(attributes))
      return false;
    for (std::uint32_t i = 0; i < attributes; ++i) {
      std::string name;
      std::string value;
      if (!m_archive.ReadText(name) || !m_archive.ReadText(value))
        return false;
      element.m_Attributes.insert_or_assign(std::move(name), std::move(value));
    }
    std::uint32_t children = 0;
    if (!m_archive.ReadUint32(children) ||
        m_lastNumber == std::numeric_limits<std::uint32_t>::max())
      return false;
    m_frames.push_back({&element, children, ++m_lastNumber, parentNumber});
    return true;
  }

  bool Finish(const Frame& frame) {
    CXMLVar& element = *frame.element;
    std::uint32_t parentNumber = 0;
    std::string name;
    std::string value;
    if (!m_archive.ReadText(name) || !m_archive.ReadText(value) ||
        !m_archive.ReadUint32(parentNumber) || !m_archive.ReadInt32(element.m_nOrdinal))
      return false;
    element.m_strName = name;
    element.m_strValue = value;
    if (parentNumber != frame.parentNumber)
      return false;
    element.RebuildChildIndex();
    return true;
  }

  bool Load(CXMLVar& root) {
    if (!Begin(root, 0))
      return false;
    while (!m_frames.empty()) {
      Frame& top = m_frames.back();
      if (top.childrenLeft > 0) {
        --top.childrenLeft;
        const std::uint32_t parentNumber = top.number;
        CXMLVar* child = top.element->AppendLoadedChild(std::make_unique<CXMLVar>());
        if (!Begin(*child, parentNumber))
          return false;
        continue;
      }
      const Frame finished = top;
      m_frames.pop_back();
      if (!Finish(finished))
        return false;
    }
    return true;
  }

  TreeArchive& m_archive;
  std::vector<Frame> m_frames;
  std::uint32_t m_lastNumber = 0;
};

void CXMLVar::Serialize(TreeArchive& archive) {
  if (archive.IsStoring())
    StoreTree(*this, archive);
  else if (archive.IsLoading())
    TreeLoader(archive).LoadInto(*this);
}
