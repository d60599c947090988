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
// process, shared by every thread under a lock.
#pragma once

#include <cstddef>
#include <mutex>

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

  std::mutex m_lock;
  const std::size_t m_cellSize;
  const std::size_t m_cellsPerBlock;
  // Blocks with at least one free cell.
  Block* m_available = nullptr;
  bool m_keptEmptyBlock = false;
};
