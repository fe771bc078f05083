// Test build only: what the GDI guards of Handles.h report.
#include "Handles.h"

#ifdef BRIVOLA_GDI_COUNT
#include <map>
#include <mutex>

namespace gdicount {
namespace {
struct State {
  std::mutex mutex;
  long live = 0;
  long deletedWhileSelected = 0;
  std::map<HGDIOBJ, int> selected;  // objects a guard has selected, with how many guards
};
State& TheState() {
  static State state;
  return state;
}
}  // namespace

void Owned(HGDIOBJ) {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  ++s.live;
}

void Deleted(HGDIOBJ object) {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  --s.live;
  if (auto it = s.selected.find(object); it != s.selected.end() && it->second > 0) ++s.deletedWhileSelected;
}

void Selected(HGDIOBJ object) {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  ++s.selected[object];
}

void Deselected(HGDIOBJ object) {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  if (auto it = s.selected.find(object); it != s.selected.end() && --it->second <= 0) s.selected.erase(it);
}

long Live() {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  return s.live;
}

long DeletedWhileSelected() {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  return s.deletedWhileSelected;
}
}  // namespace gdicount
#endif
