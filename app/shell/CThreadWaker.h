// app/shell/CThreadWaker.h
#pragma once

#include <QObject>

class QSocketNotifier;

// Wakes the GUI thread from any other thread without going through Qt's cross-thread event
// queue: Wake() writes to an eventfd that a socket notifier on the GUI thread watches. Data
// travels beside it under the caller's own lock; several wakes before the GUI thread looks
// become one Woken(). The eventfd write and read also order the two threads' memory, which
// ThreadSanitizer can see (it cannot see Qt's internal locks).
class CThreadWaker : public QObject {
    Q_OBJECT

  public:
    // Create on the GUI thread.
    explicit CThreadWaker(QObject* pParent = nullptr);
    ~CThreadWaker() override;

    // Any thread.
    void Wake();

  signals:
    // On the GUI thread, after one or more Wake() calls.
    void Woken();

  private:
    void OnReadable();

    int m_nFd = -1;
    QSocketNotifier* m_pNotifier = nullptr;
};
