#pragma once

#include <cstddef>

/// A readable document opened by the internet session: a web page's body
/// or a local file.
class CInternetFile {
public:
    virtual ~CInternetFile() = default;
    /// Up to nCount bytes into pBuffer; fewer only at the document's end
    /// (0 there). Throws CInternetException when reading fails.
    virtual std::size_t Read(char* pBuffer, std::size_t nCount) = 0;
    /// Releases the document; reading afterwards yields nothing.
    virtual void Close() = 0;
};
