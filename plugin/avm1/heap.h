// The heap every object of one machine lives on, with a mark-and-sweep
// collector. Collections run only between script runs, from roots the
// owner names, so native code may hold plain pointers while scripts run.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "avm1/object.h"

namespace avm1 {

class Heap {
 public:
  Heap() = default;
  ~Heap();
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  template <class T, class... Args>
  T* make(Args&&... args) {
    T* o = new T(std::forward<Args>(args)...);
    o->heap_next = head_;
    head_ = o;
    ++count_;
    return o;
  }

  size_t count() const { return count_; }
  // The most recently made object; the others follow through heap_next.
  Object* newest() const { return head_; }
  // True once enough objects were made since the last collection.
  bool wants_collection() const { return count_ >= next_collection_; }
  // Marks from the roots, then frees every object not reached.
  void collect(const std::function<void(Tracer&)>& mark_roots);

 private:
  friend class Tracer;
  Object* head_ = nullptr;
  size_t count_ = 0;
  size_t next_collection_ = 10000;
  std::vector<Object*> pending_;  // marked, children not yet visited
};

}  // namespace avm1
