// app/shell/CThreadWaker.cpp
#include "app/shell/CThreadWaker.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#include <stdexcept>

CThreadWaker::CThreadWaker(QObject* pParent) : QObject(pParent) {
    m_nFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_nFd < 0)
        throw std::runtime_error("cannot create an eventfd for the GUI thread's wake-ups");
    m_pNotifier = new QSocketNotifier(m_nFd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CThreadWaker::OnReadable);
}

CThreadWaker::~CThreadWaker() {
    delete m_pNotifier;
    ::close(m_nFd);
}

void CThreadWaker::Wake() {
    const std::uint64_t nOne = 1;
    // A full counter (2^64 - 2 wakes nobody read) cannot happen; a failed write changes nothing
    // the reader needs, as the counter is then already non-zero.
    [[maybe_unused]] const ssize_t nWritten = ::write(m_nFd, &nOne, sizeof(nOne));
}

void CThreadWaker::OnReadable() {
    std::uint64_t nCount = 0;
    if (::read(m_nFd, &nCount, sizeof(nCount)) == static_cast<ssize_t>(sizeof(nCount)) &&
        nCount > 0)
        emit Woken();
}
