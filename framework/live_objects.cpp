#include "framework/live_objects.h"

#include <atomic>

namespace {

std::atomic<long> g_live[static_cast<int>(LiveObject::kKinds)];

}  // namespace

void CountMade(LiveObject kind) { ++g_live[static_cast<int>(kind)]; }

void CountDestroyed(LiveObject kind) { --g_live[static_cast<int>(kind)]; }

long LiveCount(WPARAM kind) {
  if (kind >= static_cast<WPARAM>(LiveObject::kKinds)) return -1;
  return g_live[kind].load();
}
