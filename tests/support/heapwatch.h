#pragma once

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXO_HEAPWATCH_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VEXO_HEAPWATCH_ASAN 1
#endif

#ifdef VEXO_HEAPWATCH_ASAN
#include <cstddef>
// From the sanitizer's run-time library (its header does not ship with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

// Watches the program's live heap (bytes allocated and not freed; under AddressSanitizer its
// quarantine of freed blocks does not count) from a thread of its own, every millisecond,
// so that a peak inside a call that blocks the event loop is seen too.
class HeapWatch
{
public:
    HeapWatch() : m_start(liveBytes()), m_peak(m_start)
    {
        m_thread = std::thread([this] {
            while (!m_stop.load()) {
                const qint64 now = liveBytes();
                qint64 peak = m_peak.load();
                while (now > peak && !m_peak.compare_exchange_weak(peak, now)) {
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~HeapWatch() { stop(); }
    HeapWatch(const HeapWatch &) = delete;
    HeapWatch &operator=(const HeapWatch &) = delete;

    // The highest live heap seen, over the live heap when the watch began.
    qint64 peakGrowth()
    {
        stop();
        return std::max<qint64>(0, m_peak.load() - m_start);
    }

    static qint64 liveBytes()
    {
#ifdef VEXO_HEAPWATCH_ASAN
        return qint64(__sanitizer_get_current_allocated_bytes());
#else
        return qint64(mallinfo2().uordblks + mallinfo2().hblkhd);
#endif
    }

private:
    void stop()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }

    const qint64 m_start;
    std::atomic<qint64> m_peak;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
