// NodePool: memory for the element tree's nodes, in cells of one size.
//
// A hostile catalogue can make a node of every two bytes it sends; the
// general allocator would add a header and round every node up, which alone
// costs more than the node's own fields allow. Cells are carved from large
// blocks with no per-cell overhead. A block whose cells are all free goes
// back to the system, but one is kept for the next tree.
//
// Nodes move between trees and outlive the tree they were read into (copies,
// removed children), so the pool belongs to no tree: there is one per
// process, shared by every thread under a lock. The lock is held for a few
// instructions and almost never contended (one thread at a time builds a
// tree), so it spins rather than asking the system to wait.
#pragma once

#include <atomic>
#include <cstddef>

class NodePool {
 public:
  explicit NodePool(std::size_t cellSize);
  ~NodePool();
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  // A cell of the pool's size; throws std::bad_alloc when there is no memory.
  void* Allocate();
  // cell must come from Allocate of this pool.
  void Release(void* cell) noexcept;

 private:
  struct Block;

  Block* NewBlock();
  void LinkAvailable(Block* block) noexcept;
  void UnlinkAvailable(Block* block) noexcept;

  class SpinLock {
   public:
    void lock() noexcept;
    void unlock() noexcept { m_held.clear(std::memory_order_release); }

   private:
    std::atomic_flag m_held;
  };

  SpinLock m_lock;
  const std::size_t m_cellSize;
  const std::size_t m_cellsPerBlock;
  // Blocks with at least one free cell.
  Block* m_available = nullptr;
  bool m_keptEmptyBlock = false;
};
