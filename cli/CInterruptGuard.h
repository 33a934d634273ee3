// cli/CInterruptGuard.h
#pragma once

#include <atomic>

// While alive, Ctrl-C (SIGINT) sets the given stop flag instead of killing the process, so the
// engine ends its work cooperatively and nothing is left half-written.
class CInterruptGuard {
  public:
    explicit CInterruptGuard(std::atomic<bool>& bStop, std::atomic<bool>* pbSecondStop = nullptr);
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;

    // True once SIGINT arrived while a guard was alive.
    static bool Interrupted();
};
