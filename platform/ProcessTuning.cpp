#include "platform/ProcessTuning.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kTunable = "glibc.malloc.hugetlb=1";
// Set only across the restart; its value says how GLIBC_TUNABLES looked
// before, so that it can be put back.
constexpr const char* kMarker = "RASTELLE_LARGE_PAGES";
constexpr const char* kTunablesWereUnset = "restarted";
constexpr const char* kTunableWasAppended = "restarted-appended";

// Puts GLIBC_TUNABLES back as it was before our setting was added: glibc
// read it when this process started, and the programs we start (browser,
// help viewer) must not inherit it.
void RemoveOurTunable(bool appended)
{
    if (!appended) {
        ::unsetenv(kTunables);
        return;
    }
    const char* value = std::getenv(kTunables);
    if (!value)
        return;
    std::string tunables = value;
    const std::string suffix = std::string(":") + kTunable;
    if (tunables.size() >= suffix.size() &&
        tunables.compare(tunables.size() - suffix.size(), suffix.size(), suffix) == 0) {
        tunables.resize(tunables.size() - suffix.size());
        ::setenv(kTunables, tunables.c_str(), 1);
    }
}
} // namespace

void RestartWithLargePages(char* argv[])
{
#if defined(__linux__) && defined(__GLIBC__)
    if (const char* marker = std::getenv(kMarker)) {
        const bool unset = std::strcmp(marker, kTunablesWereUnset) == 0;
        const bool appended = std::strcmp(marker, kTunableWasAppended) == 0;
        if (unset || appended) { // this is the restarted process
            ::unsetenv(kMarker);
            RemoveOurTunable(appended);
        }
        return; // restarted already, or the user's own setting: keep it
    }
    const char* existing = std::getenv(kTunables);
    if (existing && std::strstr(existing, "glibc.malloc.hugetlb"))
        return; // the user chose a setting: keep it
    const bool hadTunables = existing != nullptr;
    const std::string original = existing ? existing : "";
    const bool append = !original.empty();
    std::string tunables = kTunable;
    if (append)
        tunables = original + ":" + kTunable;
    ::setenv(kMarker, append ? kTunableWasAppended : kTunablesWereUnset, 1);
    ::setenv(kTunables, tunables.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    // Could not restart: go on as we are, with the environment as it was.
    ::unsetenv(kMarker);
    if (hadTunables)
        ::setenv(kTunables, original.c_str(), 1);
    else
        ::unsetenv(kTunables);
#else
    (void)argv;
#endif
}
