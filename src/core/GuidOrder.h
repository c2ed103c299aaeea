// The order of every GUID-keyed map of the runtime: the 16 bytes as they lie
// in memory (Data1..Data3 little-endian, then Data4). It differs from the
// order of the GUID texts, and documents written from these maps follow it.
#ifndef OXCORE_CORE_GUIDORDER_H
#define OXCORE_CORE_GUIDORDER_H

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace oxcore {

// memcmp order, computed on two big-endian 64-bit halves: lookups sit on
// every class activation, and a call to memcmp per comparison costs more
// than the rest of the comparison.
struct GuidBytesLess {
  bool operator()(const GUID& a, const GUID& b) const {
    const std::uint64_t a0 = High(a), b0 = High(b);
    if (a0 != b0) return a0 < b0;
    return Low(a) < Low(b);
  }

 private:
  static std::uint64_t Half(const GUID& g, std::size_t offset) {
    std::uint64_t v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&g) + offset, sizeof v);
    return __builtin_bswap64(v);  // the first byte in memory becomes the most significant
  }
  static std::uint64_t High(const GUID& g) { return Half(g, 0); }
  static std::uint64_t Low(const GUID& g) { return Half(g, 8); }
};

}  // namespace oxcore

#endif  // OXCORE_CORE_GUIDORDER_H
