// The application icon as the built product carries it: every size the shell asks for at
// today's screen densities, 32-bit with alpha, the largest as PNG, the 32x32 image unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "window_text.h"
#include "res/resource.h"

namespace {

struct Image {
  int size;
  bool png;
};

const Image kImages[] = {{16, false}, {20, false}, {24, false}, {32, false},
                         {40, false}, {48, false}, {64, false}, {256, true}};

// FNV-1a of the 32x32 image (header, pixels, mask) as every earlier build drew it.
constexpr std::uint64_t kImage32Hash = 0x439b5476bef54f13ULL;
constexpr DWORD kImage32Bytes = 4264;

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

struct Resource {
  const BYTE* data = nullptr;
  DWORD size = 0;
};

Resource Find(HMODULE module, LPCSTR type, LPCSTR name) {
  HRSRC info = ::FindResourceExA(module, type, name,
                                 MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  if (info == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(module, info);
  return {static_cast<const BYTE*>(::LockResource(loaded)), ::SizeofResource(module, info)};
}

std::uint64_t Fnv1a(const BYTE* data, DWORD size) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (DWORD i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ULL;
  return hash;
}

std::uint32_t BigEndian32(const BYTE* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

TEST(AppIcon, TheProductCarriesEverySizeIn32BitsWithAlpha) {
  std::string path = WinePath(DETECTOR_EXE);
  HMODULE exe = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << path;
  Resource group = Find(exe, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(IDI_APP));  // RT_GROUP_ICON
  ASSERT_GE(group.size, sizeof(GroupHeader));
  GroupHeader header;
  std::memcpy(&header, group.data, sizeof header);
  EXPECT_EQ(header.type, 1);
  ASSERT_EQ(header.count, std::size(kImages));
  ASSERT_EQ(group.size, sizeof(GroupHeader) + header.count * sizeof(GroupEntry));

  for (const Image& expected : kImages) {
    SCOPED_TRACE(expected.size);
    const GroupEntry* entry = nullptr;
    for (WORD i = 0; i < header.count; ++i) {
      const auto* candidate =
          reinterpret_cast<const GroupEntry*>(group.data + sizeof(GroupHeader)) + i;
      if ((candidate->width == 0 ? 256 : candidate->width) == expected.size) entry = candidate;
    }
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->height, entry->width);
    EXPECT_EQ(entry->planes, 1);
    EXPECT_EQ(entry->bitCount, 32);
    // The platform's own choice for this size must be this image.
    EXPECT_EQ(::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.data), TRUE, expected.size,
                                            expected.size, LR_DEFAULTCOLOR),
              entry->id);

    Resource image = Find(exe, MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(entry->id));  // RT_ICON
    ASSERT_EQ(image.size, entry->bytes);
    if (expected.png) {
      ASSERT_GE(image.size, 33u);
      EXPECT_EQ(std::memcmp(image.data, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16), 0);
      EXPECT_EQ(BigEndian32(image.data + 16), 256u);
      EXPECT_EQ(BigEndian32(image.data + 20), 256u);
      EXPECT_EQ(image.data[24], 8);  // bits a channel
      EXPECT_EQ(image.data[25], 6);  // RGBA
      continue;
    }
    BITMAPINFOHEADER info;
    ASSERT_GE(image.size, sizeof info);
    std::memcpy(&info, image.data, sizeof info);
    EXPECT_EQ(info.biWidth, expected.size);
    EXPECT_EQ(info.biHeight, 2 * expected.size);
    EXPECT_EQ(info.biBitCount, 32);
    const DWORD pixels = static_cast<DWORD>(expected.size * expected.size) * 4;
    const DWORD mask = static_cast<DWORD>((expected.size + 31) / 32 * 4 * expected.size);
    ASSERT_EQ(image.size, sizeof info + pixels + mask);
    // An alpha channel of zeros would make the platform fall back to the mask.
    int opaque = 0, clear = 0;
    for (DWORD i = 3; i < pixels; i += 4) {
      opaque += image.data[sizeof info + i] == 255;
      clear += image.data[sizeof info + i] == 0;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, 0);
    if (expected.size == 32) {
      EXPECT_EQ(image.size, kImage32Bytes);
      EXPECT_EQ(Fnv1a(image.data, image.size), kImage32Hash);
    }
  }
  ::FreeLibrary(exe);
}

}  // namespace
