// The first touch of fresh memory costs a page fault and the clearing of the
// page, which on some machines costs as much as decoding into it. While one
// thread fills a large buffer front to back, this brings its pages in from
// the back on another core, until the two meet; the contents are never
// touched.
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

class PagePrefault
{
public:
    // Does nothing for small buffers, on one core, or where the system
    // cannot bring pages in without writing to them.
    PagePrefault(void* data, std::size_t bytes) noexcept;
    ~PagePrefault();
    PagePrefault(const PagePrefault&) = delete;
    PagePrefault& operator=(const PagePrefault&) = delete;

    // How far from the start the filler has come.
    void Reached(std::size_t bytes) noexcept { m_reached.store(bytes, std::memory_order_relaxed); }

private:
    void Run(char* data, std::size_t bytes) noexcept;

    std::atomic<std::size_t> m_reached{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
