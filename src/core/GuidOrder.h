// The order of every GUID-keyed map of the runtime: the 16 bytes as they lie
// in memory (Data1..Data3 little-endian, then Data4). It differs from the
// order of the GUID texts, and documents written from these maps follow it.
#ifndef OXCORE_CORE_GUIDORDER_H
#define OXCORE_CORE_GUIDORDER_H

#include <windows.h>

#include <cstring>

namespace oxcore {

struct GuidBytesLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

}  // namespace oxcore

#endif  // OXCORE_CORE_GUIDORDER_H
