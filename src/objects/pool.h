#pragma once
// A fixed pool of slots handed out through an intrusive free list, so particles can be created
// and retired every frame without allocation. Slots are allocated once and never move.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "framework/errors.h"
#include "framework/random.h"

namespace dx {

template <class T>
struct Pool {
  // The free list lives in a free slot's leading bytes, copied in and out with memcpy; liveness
  // must therefore be marked elsewhere in T (particles use ttl).
  static_assert(std::is_trivially_copyable_v<T>, "pool slots are raw-copied");
  static_assert(sizeof(T) >= sizeof(T*), "a free slot must hold the link to the next one");

  int64_t size = 0;
  int64_t inUse = 0;
  std::unique_ptr<T[]> items;
  T* firstAvailable = nullptr;
};

namespace pooldetail {

template <class T>
T* getNext(const T* slot) {
  T* next;
  std::memcpy(&next, static_cast<const void*>(slot), sizeof next);
  return next;
}

template <class T>
void setNext(T* slot, T* next) {
  std::memcpy(static_cast<void*>(slot), &next, sizeof next);
}

}  // namespace pooldetail

// count zeroed slots, all free, linked in order.
template <class T>
void initPool(int64_t count, Pool<T>& pool) {
  if (count < 0) throw IndexError("pool size must not be negative: " + std::to_string(count));
  pool.size = count;
  pool.inUse = 0;
  pool.items = std::make_unique<T[]>(size_t(count));
  for (int64_t i = 0; i < count; ++i) pooldetail::setNext(&pool.items[i], i + 1 < count ? &pool.items[i + 1] : nullptr);
  pool.firstAvailable = count > 0 ? &pool.items[0] : nullptr;
}

// Copies item into a free slot. With the pool full, force overwrites a slot drawn from r (inUse
// is unchanged) and no force gives nullptr.
template <class T>
T* add(Pool<T>& pool, const T& item, bool force, RandomState& r) {
  T* slot = pool.firstAvailable;
  if (slot) {
    pool.firstAvailable = pooldetail::getNext(slot);
    ++pool.inUse;
  } else if (force) {
    if (pool.size <= 0) throw IndexError("forced add to a pool without slots");
    slot = &pool.items[rnd(r, pool.size)];
  } else {
    return nullptr;
  }
  *slot = item;
  return slot;
}

template <class T>
T* add(Pool<T>& pool, const T& item, bool force) {
  return add(pool, item, force, randomState());
}

// Returns a handed-out slot to the free list. A slot outside the pool, or a free with nothing
// in use, would corrupt foreign memory or the list, so both throw IndexError.
template <class T>
void free(Pool<T>& pool, T* slot) {
  const std::less<const T*> before;
  const T* first = pool.items.get();
  if (!slot || before(slot, first) || !before(slot, first + pool.size))
    throw IndexError("free of a slot that is not in the pool");
  if (pool.inUse <= 0) throw IndexError("free on a pool with no slot in use");
  pooldetail::setNext(slot, pool.firstAvailable);
  pool.firstAvailable = slot;
  --pool.inUse;
}

}  // namespace dx
