#include "usb/win_hub_driver.h"

#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <new>
#include <vector>

static_assert(sizeof(wchar_t) == sizeof(std::uint16_t), "UTF-16 wide characters");

// The detail block's cbSize is the size of the structure alone, which the platform packs
// differently for each architecture; never the size of the block that holds the path.
#ifdef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8, "x86_64 detail size");
#else
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5, "i686 detail size");
#endif

namespace {

// GUID_DEVINTERFACE_USB_HOST_CONTROLLER.
constexpr GUID kHostControllerInterface = {
    0x3abf6f2d, 0x71c4, 0x462a, {0x8a, 0x92, 0x1e, 0x68, 0x61, 0xe6, 0xaf, 0x27}};

// A device information set that is destroyed however the scope that made it ends.
class InterfaceSet {
 public:
  explicit InterfaceSet(HDEVINFO set) : set_(set) {}
  ~InterfaceSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  InterfaceSet(const InterfaceSet&) = delete;
  InterfaceSet& operator=(const InterfaceSet&) = delete;

  explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// Room for the structure and the longest path CreateFileA opens, with its terminator. A path
// that does not fit is one the walk could not open: the platform refuses it, and it is left out.
union InterfaceDetail {
  SP_DEVICE_INTERFACE_DETAIL_DATA_A data;
  char bytes[offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + kMaxDevicePathLength + 1];
};

}  // namespace

HubDriver::Handle Win32HubDriver::Open(const std::string& devicePath) {
  HANDLE handle = CreateFileA(devicePath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidHandle;
  return reinterpret_cast<Handle>(handle);
}

bool Win32HubDriver::Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize,
                             void* out, std::size_t outSize) {
  if (inSize > MAXDWORD || outSize > MAXDWORD) return false;
  DWORD returned = 0;
  return DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, const_cast<void*>(in),
                         static_cast<DWORD>(inSize), out, static_cast<DWORD>(outSize), &returned,
                         nullptr) != 0;
}

void Win32HubDriver::Close(Handle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

bool Win32HubDriver::WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits,
                                  std::string& narrow) {
  // Source length -1 makes the platform read up to the terminator: make sure there is one
  // within the units we were given before it is asked.
  std::size_t units = 0;
  while (units < maxUnits && wide[units] != 0) ++units;
  if (units == maxUnits) return false;

  const auto* source = reinterpret_cast<const wchar_t*>(wide);
  const int size = WideCharToMultiByte(CP_ACP, 0, source, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, source, -1, buffer.data(), size, nullptr, nullptr) == 0)
    return false;
  narrow.assign(buffer.data());
  return true;
}

// SetupAPI rather than the configuration manager's interface list: Wine, where the product is
// tested, does not implement CM_Get_Device_Interface_ListA, and the SetupAPI walk bounds itself
// one interface at a time instead of sizing one list that may grow between two calls.
bool Win32HubDriver::ListHostControllers(std::size_t maxInterfaces,
                                         std::vector<std::string>& paths) {
  InterfaceSet set(SetupDiGetClassDevsA(&kHostControllerInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set) return false;
  try {
    for (DWORD index = 0; index < maxInterfaces; ++index) {
      SP_DEVICE_INTERFACE_DATA item{};
      item.cbSize = sizeof item;
      // The end of the list, or a list that fails part-way: what was had so far is kept.
      if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kHostControllerInterface, index, &item))
        break;
      InterfaceDetail detail{};
      detail.data.cbSize = sizeof detail.data;
      if (!SetupDiGetDeviceInterfaceDetailA(set.get(), &item, &detail.data, sizeof detail, nullptr,
                                            nullptr))
        continue;  // longer than any path we could open, or gone since it was listed
      detail.bytes[sizeof detail.bytes - 1] = '\0';
      paths.emplace_back(detail.data.DevicePath);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
