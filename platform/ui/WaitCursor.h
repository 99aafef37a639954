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

  // How many hourglasses have been shown since the program started, so that a caller can
  // tell whether a piece of work showed one.
  static int NbShown();
};

} // namespace platform
