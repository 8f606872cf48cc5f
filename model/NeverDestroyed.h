#pragma once

// Storage for an object that lives until the process ends and is never destroyed, so that a thread still
// running during the exit never meets a destroyed object. It is built in place on construction.

#include <new>
#include <utility>

template <typename T> class CNeverDestroyed
{
public:
    template <typename... Args> explicit CNeverDestroyed(Args&&... args)
    {
        ::new (static_cast<void*>(m_storage)) T(std::forward<Args>(args)...);
    }
    CNeverDestroyed(const CNeverDestroyed&) = delete;
    CNeverDestroyed& operator=(const CNeverDestroyed&) = delete;

    T* Get() { return std::launder(reinterpret_cast<T*>(m_storage)); }
    T& operator*() { return *Get(); }
    T* operator->() { return Get(); }

private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};
