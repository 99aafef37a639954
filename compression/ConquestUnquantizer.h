#pragma once

#include "compression/ConquestCoder.h"

// The conquest state without the coder's drawing: the "Unquantize" command builds one, calls
// Init and lets it go.
class CConquestUnquantizer : public CConquestCoder
{
public:
  CConquestUnquantizer() = default;
  ~CConquestUnquantizer() override;

  int Draw() override;
};
