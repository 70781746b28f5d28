#pragma once

#include <utility>

/// Owns one libcurl handle and frees it with pfnCleanup: move-only, so each
/// handle has exactly one owner.
template <typename T, auto pfnCleanup> class CCurlHandle {
public:
    CCurlHandle() = default;
    explicit CCurlHandle(T* pHandle)
        : m_pHandle(pHandle)
    {
    }
    CCurlHandle(CCurlHandle&& other) noexcept
        : m_pHandle(std::exchange(other.m_pHandle, nullptr))
    {
    }
    CCurlHandle& operator=(CCurlHandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_pHandle = std::exchange(other.m_pHandle, nullptr);
        }
        return *this;
    }
    CCurlHandle(const CCurlHandle&) = delete;
    CCurlHandle& operator=(const CCurlHandle&) = delete;
    ~CCurlHandle() { Reset(); }

    T* Get() const { return m_pHandle; }
    explicit operator bool() const { return m_pHandle != nullptr; }

private:
    void Reset()
    {
        if (m_pHandle)
            pfnCleanup(m_pHandle);
        m_pHandle = nullptr;
    }

    T* m_pHandle = nullptr;
};
