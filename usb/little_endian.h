#pragma once
// 32-bit fields of the driver's blocks: little-endian, and not always 4-byte aligned.
#include <cstddef>
#include <cstdint>
#include <cstring>

inline std::uint32_t ReadLe32(const void* block, std::size_t offset) {
  unsigned char bytes[4];
  std::memcpy(bytes, static_cast<const unsigned char*>(block) + offset, sizeof bytes);
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline void WriteLe32(void* block, std::size_t offset, std::uint32_t value) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  std::memcpy(static_cast<unsigned char*>(block) + offset, bytes, sizeof bytes);
}
