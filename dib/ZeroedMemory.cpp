#include "dib/ZeroedMemory.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

void* AllocateZeroed(std::size_t bytes) noexcept
{
    void* memory = std::calloc(bytes != 0 ? bytes : 1, 1);
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kLarge = std::size_t(4) << 20;
    if (memory != nullptr && bytes >= kLarge) {
        // Only whole pages inside the block; a refusal changes nothing.
        const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
        const auto start = (std::uintptr_t(memory) + page - 1) & ~(page - 1);
        const auto end = (std::uintptr_t(memory) + bytes) & ~(page - 1);
        if (end > start)
            (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
#endif
    return memory;
}
