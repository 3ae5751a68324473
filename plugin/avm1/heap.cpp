#include "avm1/heap.h"

namespace avm1 {

Heap::~Heap() {
  while (head_) {
    Object* next = head_->heap_next;
    delete head_;
    head_ = next;
  }
}

void Tracer::mark(Object* o) {
  if (!o || o->marked) return;
  o->marked = true;
  heap_.pending_.push_back(o);
}

void Heap::collect(const std::function<void(Tracer&)>& mark_roots) {
  Tracer tracer(*this);
  mark_roots(tracer);
  while (!pending_.empty()) {
    Object* o = pending_.back();
    pending_.pop_back();
    for (const Property& p : o->properties().list()) {
      tracer.mark(p.value);
      tracer.mark(p.getter);
      tracer.mark(p.setter);
    }
    tracer.mark(o->proto());
    o->trace_children(tracer);
  }
  Object** link = &head_;
  size_t live = 0;
  while (*link) {
    Object* o = *link;
    if (o->marked) {
      o->marked = false;
      link = &o->heap_next;
      ++live;
    } else {
      *link = o->heap_next;
      delete o;
    }
  }
  count_ = live;
  // Collect again once the heap has doubled (at least 10000 objects more).
  next_collection_ = live * 2 > live + 10000 ? live * 2 : live + 10000;
}

}  // namespace avm1
