#include "xml/node_pool.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define OSTREL_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREL_POOL_ASAN 1
#endif
#endif

#ifdef OSTREL_POOL_ASAN
#include <sanitizer/asan_interface.h>
// Free cells stay poisoned, so that the address sanitizer still catches a
// node used after it was destroyed.
#define POOL_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define POOL_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define POOL_POISON(address, size) ((void)(address), (void)(size))
#define POOL_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace {

// Blocks are aligned to their size, so a cell's block is found by masking
// its address.
// A megabyte: the allocator adds a page of its own to each such block, which
// is nothing beside it.
constexpr std::size_t kBlockBytes = 1024 * 1024;

struct FreeCell {
  FreeCell* next;
};

}  // namespace

struct NodePool::Block {
  Block* previous = nullptr;
  Block* next = nullptr;
  FreeCell* freeCells = nullptr;
  // Cells from this one on have never been handed out.
  std::size_t untouched = 0;
  std::size_t used = 0;
  bool available = false;

  static constexpr std::size_t kCellsOffset = 64;
  static_assert(kCellsOffset % alignof(std::max_align_t) == 0);

  char* Cell(std::size_t index, std::size_t cellSize) {
    return reinterpret_cast<char*>(this) + kCellsOffset + index * cellSize;
  }
};

void NodePool::SpinLock::lock() noexcept {
  while (m_held.test_and_set(std::memory_order_acquire))
    std::this_thread::yield();
}

NodePool::NodePool(std::size_t cellSize)
    : m_cellSize((cellSize + alignof(void*) - 1) & ~(alignof(void*) - 1)),
      m_cellsPerBlock((kBlockBytes - Block::kCellsOffset) / m_cellSize) {
  static_assert(sizeof(Block) <= Block::kCellsOffset);
}

NodePool::~NodePool() {
  // Only ever made to last the whole process: nodes may be destroyed by
  // static destructors after it would have gone.
}

NodePool::Block* NodePool::NewBlock() {
  void* memory = ::operator new(kBlockBytes, std::align_val_t(kBlockBytes));
  auto* block = new (memory) Block;
  POOL_POISON(block->Cell(0, m_cellSize), m_cellsPerBlock * m_cellSize);
  return block;
}

void NodePool::LinkAvailable(Block* block) noexcept {
  block->available = true;
  block->previous = nullptr;
  block->next = m_available;
  if (m_available != nullptr)
    m_available->previous = block;
  m_available = block;
}

void NodePool::UnlinkAvailable(Block* block) noexcept {
  block->available = false;
  if (block->previous != nullptr)
    block->previous->next = block->next;
  else
    m_available = block->next;
  if (block->next != nullptr)
    block->next->previous = block->previous;
  block->previous = block->next = nullptr;
}

void* NodePool::Allocate() {
  std::lock_guard guard(m_lock);
  if (m_available == nullptr)
    LinkAvailable(NewBlock());
  Block* block = m_available;
  if (block->used == 0 && m_keptEmptyBlock)
    m_keptEmptyBlock = false;
  char* cell = nullptr;
  if (block->freeCells != nullptr) {
    FreeCell* free = block->freeCells;
    POOL_UNPOISON(free, m_cellSize);
    block->freeCells = free->next;
    cell = reinterpret_cast<char*>(free);
  } else {
    cell = block->Cell(block->untouched++, m_cellSize);
    POOL_UNPOISON(cell, m_cellSize);
  }
  ++block->used;
  if (block->freeCells == nullptr && block->untouched == m_cellsPerBlock)
    UnlinkAvailable(block);
  return cell;
}

void NodePool::Release(void* cell) noexcept {
  if (cell == nullptr)
    return;
  std::lock_guard guard(m_lock);
  auto* block =
      reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(cell) & ~(kBlockBytes - 1));
  auto* free = static_cast<FreeCell*>(cell);
  free->next = block->freeCells;
  block->freeCells = free;
  POOL_POISON(cell, m_cellSize);
  --block->used;
  if (!block->available)
    LinkAvailable(block);
  if (block->used != 0)
    return;
  if (!m_keptEmptyBlock) {
    // Kept as new, so that its cells are handed out in address order again.
    m_keptEmptyBlock = true;
    block->freeCells = nullptr;
    block->untouched = 0;
    return;
  }
  UnlinkAvailable(block);
  block->~Block();
  ::operator delete(block, std::align_val_t(kBlockBytes));
}
