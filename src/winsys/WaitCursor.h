#pragma once

/// Shows the busy cursor over the application for its own lifetime, so every
/// way out of a long handler ends it.
class CWaitCursor {
public:
    CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    ~CWaitCursor();
};
