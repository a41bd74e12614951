#include "framework/message_map.h"

namespace {

bool CarriesNotification(UINT message) { return message == WM_COMMAND || message == WM_NOTIFY; }

void ReadNotification(UINT message, WPARAM wParam, LPARAM lParam, UINT& code, UINT& id) {
  if (message == WM_COMMAND) {
    code = HIWORD(wParam);
    id = LOWORD(wParam);
    return;
  }
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  code = header ? header->code : 0;
  id = header ? static_cast<UINT>(header->idFrom) : 0;
}

bool Claims(const MessageMapEntry& entry, bool reflected, UINT message, bool notification,
            UINT code, UINT id) {
  if (entry.reflected != reflected || entry.message != message) return false;
  if (!notification) return true;
  return entry.code == code && (entry.id == kAnyId || entry.id == id);
}

const MessageMapEntry* FindEntry(const MessageMap* map, bool reflected, UINT message,
                                 WPARAM wParam, LPARAM lParam) {
  const bool notification = CarriesNotification(message);
  UINT code = 0;
  UINT id = 0;
  if (notification) ReadNotification(message, wParam, lParam, code, id);
  for (; map != nullptr; map = map->base ? map->base() : nullptr) {
    for (std::size_t i = 0; i < map->count; ++i) {
      if (Claims(map->entries[i], reflected, message, notification, code, id)) {
        return &map->entries[i];
      }
    }
  }
  return nullptr;
}

}  // namespace

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
  return FindEntry(map, false, message, wParam, lParam);
}

const MessageMapEntry* FindReflectedEntry(const MessageMap* map, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  return FindEntry(map, true, message, wParam, lParam);
}
