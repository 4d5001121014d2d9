#pragma once
// The last `length` values added, oldest first; a car keeps its engine trail in one.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/errors.h"

namespace dx {

template <class T>
struct RingBuffer {
  std::vector<T> data;
  int64_t head = 0;   // storage index of the oldest value
  int64_t tail = -1;  // storage index of the newest value; -1 before the first add
  int64_t size = 0;
  int64_t length = 0;

  // Logical index: 0 is the oldest value, size - 1 the newest.
  const T& operator[](int64_t i) const {
    if (i < 0 || i >= size)
      throw IndexError("ring buffer index " + std::to_string(i) + " outside 0.." + std::to_string(size - 1));
    return data[size_t((head + i) % length)];
  }
};

// Capacity n > 0; the modular indexing has no meaning for an empty ring.
template <class T>
RingBuffer<T> newRingBuffer(int64_t n) {
  if (n <= 0) throw IndexError("ring buffer length must be positive: " + std::to_string(n));
  RingBuffer<T> r;
  r.data.assign(size_t(n), T{});
  r.length = n;
  return r;
}

// Appends the values in order, overwriting the oldest once full.
template <class T>
void add(RingBuffer<T>& ring, std::type_identity_t<std::span<const T>> values) {
  if (ring.length <= 0) throw IndexError("add to a ring buffer of length 0");
  for (const T& v : values) {
    ring.tail = (ring.tail + 1) % ring.length;
    ring.data[size_t(ring.tail)] = v;
  }
  ring.size = std::min(ring.length, ring.size + int64_t(values.size()));
  ring.head = (ring.length + ring.tail - ring.size + 1) % ring.length;
}

template <class T>
void add(RingBuffer<T>& ring, const T& value) {
  add(ring, std::span<const T>(&value, 1));
}

}  // namespace dx
