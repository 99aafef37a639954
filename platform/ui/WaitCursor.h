#pragma once

// The hourglass for the length of a scope; nests.
namespace platform {

class CWaitCursor
{
public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace platform
