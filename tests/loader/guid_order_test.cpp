// The GUID order of the registry maps is memcmp's order of the 16 bytes.
#include <windows.h>

#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "core/GuidOrder.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

void ExpectSameOrder(const GUID& a, const GUID& b) {
  const oxcore::GuidBytesLess less;
  const int expected = Sign(std::memcmp(&a, &b, sizeof(GUID)));
  EXPECT_EQ(expected < 0, less(a, b));
  EXPECT_EQ(expected > 0, less(b, a));
}

TEST(GuidOrderTest, IsTheOrderOfTheBytesInMemory) {
  // Data1 is little-endian: {00000002-...} comes after {00000100-...}.
  const GUID two = {0x00000002, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  const GUID x100 = {0x00000100, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  EXPECT_TRUE(oxcore::GuidBytesLess()(x100, two));
  ExpectSameOrder(two, x100);

  // Pairs differing in one byte at every position, high bit and low bit.
  for (size_t at = 0; at < sizeof(GUID); ++at) {
    for (unsigned char bit : {0x01, 0x80}) {
      GUID a = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
      GUID b = a;
      reinterpret_cast<unsigned char*>(&b)[at] ^= bit;
      ExpectSameOrder(a, b);
      ExpectSameOrder(a, a);
    }
  }
  std::mt19937 random(20070626);
  for (int i = 0; i < 20000; ++i) {
    GUID a, b;
    for (GUID* g : {&a, &b})
      for (size_t k = 0; k < sizeof(GUID); ++k) reinterpret_cast<unsigned char*>(g)[k] = static_cast<unsigned char>(random() & 3);
    ExpectSameOrder(a, b);
  }
}

}  // namespace
