#pragma once

// Answers every modal dialog shown while it lives with a function of the test.
#include "platform/ui/Dialog.h"

#include <utility>

class CDialogAnswer
{
public:
  explicit CDialogAnswer(platform::DialogSink sink)
    : m_Previous(platform::SetDialogSink(std::move(sink)))
  {
  }
  ~CDialogAnswer() { platform::SetDialogSink(std::move(m_Previous)); }
  CDialogAnswer(const CDialogAnswer&) = delete;
  CDialogAnswer& operator=(const CDialogAnswer&) = delete;

private:
  platform::DialogSink m_Previous;
};
