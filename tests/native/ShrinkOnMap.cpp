// Test shim, preloaded into brivola-scan: the file named by BRIVOLA_SHRINK_FILE
// is cut to BRIVOLA_SHRINK_TO bytes right after the scanner maps it, as another
// program shortening the file during the read would.
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  using TMmap = void* (*)(void*, size_t, int, int, int, off_t);
  static const auto next = reinterpret_cast<TMmap>(dlsym(RTLD_NEXT, "mmap"));
  void* at = next(addr, length, prot, flags, fd, offset);
  const char* target = std::getenv("BRIVOLA_SHRINK_FILE");
  const char* to = std::getenv("BRIVOLA_SHRINK_TO");
  if (at == MAP_FAILED || fd < 0 || !target || !to) return at;
  char link[64], mapped[PATH_MAX] = {}, wanted[PATH_MAX] = {};
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  if (readlink(link, mapped, sizeof mapped - 1) > 0 && realpath(target, wanted) &&
      std::strcmp(mapped, wanted) == 0)
    if (truncate(target, std::atoll(to)) != 0) std::perror("ShrinkOnMap");
  return at;
}
