#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/errors.h"
#include "framework/random.h"
#include "geom/vec.h"
#include "objects/pool.h"
#include "objects/ring_buffer.h"

namespace dx {
namespace {

// Like a particle: the link overlays the leading bytes, liveness lies beyond them.
struct Slot {
  int64_t payload = 0;
  float ttl = 0;
};

TEST(Pool, HandsOutSlotsInOrderAndReusesFreedOnes) {
  Pool<Slot> pool;
  initPool(3, pool);
  EXPECT_EQ(pool.size, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pool.items[i].ttl, 0.0f);
  Slot* s0 = add(pool, Slot{10, 1}, false);
  Slot* s1 = add(pool, Slot{11, 1}, false);
  Slot* s2 = add(pool, Slot{12, 1}, false);
  EXPECT_EQ(s0, &pool.items[0]);
  EXPECT_EQ(s1, &pool.items[1]);
  EXPECT_EQ(s2, &pool.items[2]);
  EXPECT_EQ(pool.inUse, 3);
  EXPECT_EQ(s1->payload, 11);
  EXPECT_EQ(add(pool, Slot{13, 1}, false), nullptr);

  free(pool, s1);
  EXPECT_EQ(pool.inUse, 2);
  EXPECT_EQ(pool.items[1].ttl, 1.0f);  // only the leading bytes hold the link
  EXPECT_EQ(add(pool, Slot{14, 2}, false), s1);
  EXPECT_EQ(s1->payload, 14);
  EXPECT_EQ(pool.inUse, 3);

  // Freed slots come back newest first.
  free(pool, s0);
  free(pool, s2);
  EXPECT_EQ(add(pool, Slot{}, false), s2);
  EXPECT_EQ(add(pool, Slot{}, false), s0);
}

TEST(Pool, ForcedAddOverwritesTheRandomSlotWithoutCounting) {
  Pool<Slot> pool;
  initPool(3, pool);
  for (int i = 0; i < 3; ++i) add(pool, Slot{i, 1}, true);  // free slots first: no draw
  seedRandom(99);
  const int64_t expected = rnd(int64_t(3));
  const int64_t next = rnd(int64_t(1000));
  seedRandom(99);
  Slot* s = add(pool, Slot{77, 5}, true);
  EXPECT_EQ(s, &pool.items[expected]);
  EXPECT_EQ(s->payload, 77);
  EXPECT_EQ(pool.inUse, 3);
  EXPECT_EQ(rnd(int64_t(1000)), next);  // exactly one draw
}

TEST(Pool, CallerErrorsThrow) {
  Pool<Slot> empty;
  initPool(0, empty);
  EXPECT_EQ(add(empty, Slot{}, false), nullptr);
  EXPECT_THROW(add(empty, Slot{}, true), IndexError);
  Pool<Slot> pool;
  EXPECT_THROW(initPool(-1, pool), IndexError);
  initPool(2, pool);
  Slot* s = add(pool, Slot{}, false);
  Slot outside;
  EXPECT_THROW(free(pool, &outside), IndexError);
  EXPECT_THROW(free(pool, s + 2), IndexError);
  EXPECT_THROW(free(pool, static_cast<Slot*>(nullptr)), IndexError);
  free(pool, s);
  EXPECT_THROW(free(pool, s), IndexError);  // nothing left in use
  EXPECT_EQ(pool.inUse, 0);
}

TEST(RingBuffer, AfterThreeAdditions) {
  RingBuffer<Vec2f> r = newRingBuffer<Vec2f>(16);
  EXPECT_EQ(r.tail, -1);
  for (int i = 1; i <= 3; ++i) add(r, vec2f(i, 0));
  EXPECT_EQ(r.head, 0);
  EXPECT_EQ(r.tail, 2);
  EXPECT_EQ(r.size, 3);
  EXPECT_EQ(r[0], vec2f(1, 0));
  EXPECT_EQ(r[2], vec2f(3, 0));
  EXPECT_THROW(r[3], IndexError);
  EXPECT_THROW(r[-1], IndexError);
}

TEST(RingBuffer, AfterTwentyAdditionsKeepsTheLastSixteen) {
  RingBuffer<Vec2f> r = newRingBuffer<Vec2f>(16);
  for (int i = 1; i <= 20; ++i) add(r, vec2f(i, -i));
  EXPECT_EQ(r.head, 4);
  EXPECT_EQ(r.tail, 3);
  EXPECT_EQ(r.size, 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(r[i], vec2f(i + 5, -(i + 5))) << i;

  // One batch add gives the same state as single adds.
  std::vector<Vec2f> values;
  for (int i = 1; i <= 20; ++i) values.push_back(vec2f(i, -i));
  RingBuffer<Vec2f> b = newRingBuffer<Vec2f>(16);
  add(b, values);
  EXPECT_EQ(b.head, r.head);
  EXPECT_EQ(b.tail, r.tail);
  EXPECT_EQ(b.data, r.data);
}

TEST(RingBuffer, EmptyCapacityIsACallerError) {
  EXPECT_THROW(newRingBuffer<Vec2f>(0), IndexError);
  EXPECT_THROW(newRingBuffer<Vec2f>(-4), IndexError);
  RingBuffer<Vec2f> unset;
  EXPECT_THROW(add(unset, vec2f(1, 1)), IndexError);
}

}  // namespace
}  // namespace dx
