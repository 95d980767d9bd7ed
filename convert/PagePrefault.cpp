#include "convert/PagePrefault.h"

#include <cstdint>
#include <sys/mman.h>
#include <system_error>

namespace {

// Below this the thread costs more than it saves.
constexpr std::size_t kSmallest = std::size_t(16) << 20;
// One large page at a time.
constexpr std::size_t kStep = std::size_t(2) << 20;

} // namespace

PagePrefault::PagePrefault(void* data, std::size_t bytes) noexcept
{
#ifdef MADV_POPULATE_WRITE
    if (data == nullptr || bytes < kSmallest || std::thread::hardware_concurrency() < 2)
        return;
    try {
        m_thread = std::thread([this, data, bytes] { Run(static_cast<char*>(data), bytes); });
    } catch (const std::system_error&) {
        // No thread: the filler brings its pages in itself.
    }
#else
    (void)data;
    (void)bytes;
#endif
}

PagePrefault::~PagePrefault()
{
    m_stop.store(true, std::memory_order_relaxed);
    if (m_thread.joinable())
        m_thread.join();
}

void PagePrefault::Run(char* data, std::size_t bytes) noexcept
{
#ifdef MADV_POPULATE_WRITE
    const auto begin = std::uintptr_t(data);
    std::uintptr_t end = (begin + bytes) / kStep * kStep;
    while (!m_stop.load(std::memory_order_relaxed)) {
        const std::uintptr_t from = end - kStep;
        // Stop a step short of the filler, so the two never wait on the
        // same pages.
        if (end < kStep || from < begin + m_reached.load(std::memory_order_relaxed) + kStep)
            return;
        if (::madvise(reinterpret_cast<void*>(from), kStep, MADV_POPULATE_WRITE) != 0)
            return;
        end = from;
    }
#else
    (void)data;
    (void)bytes;
#endif
}
