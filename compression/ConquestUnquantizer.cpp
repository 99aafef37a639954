#include "compression/ConquestUnquantizer.h"

CConquestUnquantizer::~CConquestUnquantizer() = default;

int CConquestUnquantizer::Draw()
{
  return CObject3d::Draw();
}
