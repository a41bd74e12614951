#include "framework/message_map.h"

namespace {

// WM_NOTIFY's header is never read (its pointer may come from another process): only
// WM_COMMAND carries a notification code to match.
bool CarriesNotification(UINT message) { return message == WM_COMMAND; }

bool Claims(const MessageMapEntry& entry, bool reflected, UINT message, bool notification,
            UINT code, UINT id) {
  if (entry.reflected != reflected || entry.message != message) return false;
  if (!notification) return true;
  return entry.code == code && (entry.id == kAnyId || entry.id == id);
}

const MessageMapEntry* FindEntry(const MessageMap* map, bool reflected, UINT message,
                                 WPARAM wParam) {
  const bool notification = CarriesNotification(message);
  UINT code = 0;
  UINT id = 0;
  if (notification) {
    code = HIWORD(wParam);
    id = LOWORD(wParam);
  }
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

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam) {
  return FindEntry(map, false, message, wParam);
}

const MessageMapEntry* FindReflectedEntry(const MessageMap* map, UINT message, WPARAM wParam) {
  return FindEntry(map, true, message, wParam);
}
