#include "platform/ProcessTuning.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
constexpr const char* kTunable = "glibc.malloc.hugetlb=1";
constexpr const char* kMarker = "RASTELLE_LARGE_PAGES";
} // namespace

void RestartWithLargePages(char* argv[])
{
#if defined(__linux__) && defined(__GLIBC__)
    if (std::getenv(kMarker))
        return; // restarted already, or tried to
    ::setenv(kMarker, "1", 1);
    const char* existing = std::getenv("GLIBC_TUNABLES");
    if (existing && std::strstr(existing, "glibc.malloc.hugetlb"))
        return; // the user chose a setting: keep it
    std::string tunables = kTunable;
    if (existing && *existing)
        tunables = std::string(existing) + ":" + kTunable;
    ::setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    // Could not restart: go on as we are.
#else
    (void)argv;
#endif
}
