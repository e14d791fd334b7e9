// The engine's lock object: a re-entrant Win32 critical section.
#pragma once

#include "platform/win32/kernel.h"

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&section_); }
    virtual ~CCriticalSection() { DeleteCriticalSection(&section_); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a lock for a scope.
class CCriticalSectionLock {
public:
    explicit CCriticalSectionLock(CCriticalSection& lock) : lock_(lock) { lock_.Enter(); }
    ~CCriticalSectionLock() { lock_.Leave(); }
    CCriticalSectionLock(const CCriticalSectionLock&) = delete;
    CCriticalSectionLock& operator=(const CCriticalSectionLock&) = delete;

private:
    CCriticalSection& lock_;
};
