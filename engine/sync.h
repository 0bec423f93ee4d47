// A lock and a condition variable on the system's slim primitives. Under Wine
// these wait on futexes, where the C++ library's (winpthread) go through the
// wineserver on every wait and wake: the hashing pipeline hands over a block
// many times per second.
#pragma once

#include <windows.h>

namespace vms {

class SlimLock {
public:
    SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    friend class ConditionVariable;
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class ConditionVariable {
public:
    ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // Waits, with the lock held on entry and on return, until ready() holds.
    template <typename Ready>
    void Wait(SlimLock& lock, Ready ready) {
        while (!ready()) SleepConditionVariableSRW(&condition_, &lock.lock_, INFINITE, 0);
    }

    // Waits once, at most milliseconds, with the lock held on entry and on
    // return; the caller checks again what it waits for.
    void WaitOnce(SlimLock& lock, DWORD milliseconds) {
        SleepConditionVariableSRW(&condition_, &lock.lock_, milliseconds, 0);
    }

    void NotifyOne() { WakeConditionVariable(&condition_); }
    void NotifyAll() { WakeAllConditionVariable(&condition_); }

private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

}  // namespace vms
