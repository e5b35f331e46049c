// Whole numbers in few bytes, for the kinder worlds' long lists of state
// numbers: seven bits a byte, the low bits first, the high bit set on every
// byte but the last. A gap that may go either way is zigzagged first, so
// that a small step back is a small number too.
#ifndef BRINDLECOVE_VARINT_H
#define BRINDLECOVE_VARINT_H

#include <cstdint>

template <typename Put>
void putVarint(uint64_t value, Put put) {
  for (; value >= 0x80; value >>= 7) put(static_cast<uint8_t>(value | 0x80));
  put(static_cast<uint8_t>(value));
}

template <typename Get>
uint64_t getVarint(Get get) {
  uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    uint8_t byte = get();
    value |= static_cast<uint64_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return value;
  }
}

// 0, -1, 1, -2, 2… as 0, 1, 2, 3, 4…, with no shift of a negative number.
inline uint64_t zigzag(int64_t gap) {
  uint64_t twice = static_cast<uint64_t>(gap) << 1;
  return gap < 0 ? ~twice : twice;
}

inline int64_t unzigzag(uint64_t value) {
  return static_cast<int64_t>(value >> 1) ^ -static_cast<int64_t>(value & 1);
}

#endif
