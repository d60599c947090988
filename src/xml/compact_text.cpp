#include "xml/compact_text.h"

#include <new>
#include <ostream>

#include "xml/node_pool.h"

namespace {

// A block holds the size, the characters and a NUL. Blocks of up to
// kLargestPooled bytes come from pools of cells of one size each, kPoolStep
// bytes apart: a tree holds hundreds of thousands of such texts, and a cell
// costs neither the general allocator's header nor its time. A pool cell is
// never larger than the allocator's chunk for the same block would be.
constexpr std::size_t kPoolStep = 16;
constexpr std::size_t kLargestPooled = 256;
constexpr std::size_t kPools = kLargestPooled / kPoolStep;

std::size_t BlockBytes(std::size_t size) {
  return sizeof size + size + 1;
}

// Lives as long as the process, as the nodes' pool does: a text may be
// destroyed by a static destructor after any pool object would have been.
NodePool* const* MakePools() {
  auto** pools = new NodePool*[kPools];
  for (std::size_t i = 0; i < kPools; ++i)
    pools[i] = new NodePool((i + 1) * kPoolStep);
  return pools;
}

inline NodePool* PoolFor(std::size_t blockBytes) {
  if (blockBytes > kLargestPooled)
    return nullptr;
  static NodePool* const* const pools = MakePools();
  return pools[(blockBytes - 1) / kPoolStep];
}

}  // namespace

void CompactText::Assign(std::string_view text) {
  // Made whole before the old text goes: text may be a view of it.
  std::uintptr_t word = 0;
  if (text.size() <= kInlineCapacity) {
    if (!text.empty()) {
      word = (text.size() << 1) | 1;
      std::memcpy(reinterpret_cast<char*>(&word) + 1, text.data(), text.size());
    }
  } else {
    const std::size_t size = text.size();
    const std::size_t bytes = BlockBytes(size);
    NodePool* pool = PoolFor(bytes);
    auto* block = static_cast<char*>(pool != nullptr ? pool->Allocate() : ::operator new(bytes));
    std::memcpy(block, &size, sizeof size);
    std::memcpy(block + sizeof size, text.data(), size);
    block[sizeof size + size] = '\0';
    word = reinterpret_cast<std::uintptr_t>(block);
  }
  Release();
  m_word = word;
}

void CompactText::ReleaseBlock() noexcept {
  auto* block = reinterpret_cast<char*>(m_word);
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  if (NodePool* pool = PoolFor(BlockBytes(size)))
    pool->Release(block);
  else
    ::operator delete(block);
}

std::ostream& operator<<(std::ostream& out, const CompactText& text) {
  return out << text.view();
}
