// cli/CInterruptGuard.cpp
#include "cli/CInterruptGuard.h"

#include <csignal>

namespace {
// A signal handler can reach only globals; these are lock-free atomics, safe to touch there.
std::atomic<std::atomic<bool>*> g_pStopFlag{nullptr};
std::atomic<std::atomic<bool>*> g_pSecondStopFlag{nullptr};
std::atomic<bool> g_bInterrupted{false};

extern "C" void OnInterrupt(int) {
    g_bInterrupted.store(true);
    if (auto* p = g_pStopFlag.load())
        p->store(true);
    if (auto* p = g_pSecondStopFlag.load())
        p->store(true);
}
}  // namespace

CInterruptGuard::CInterruptGuard(std::atomic<bool>& bStop, std::atomic<bool>* pbSecondStop) {
    g_pStopFlag = &bStop;
    g_pSecondStopFlag = pbSecondStop;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

CInterruptGuard::~CInterruptGuard() {
    std::signal(SIGINT, SIG_DFL);
    g_pStopFlag = nullptr;
    g_pSecondStopFlag = nullptr;
}

bool CInterruptGuard::Interrupted() {
    return g_bInterrupted.load();
}
