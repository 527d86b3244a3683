// Tests on a float's bit pattern rather than its value.
#pragma once

#include <stdint.h>
#include <string.h>

// True only for +0.0: -0.0 has a non-zero bit pattern.
inline bool HasZeroBits(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return bits == 0;
}
