// The VRML 2.0 reader on any text.
#include "fuzz/FuzzInput.h"
#include "scene/ParserVrml.h"
#include "scene/SceneGraph3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const CFuzzInput input(data, size, ".wrl");
  CSceneGraph3d scene;
  CParserVrml parser;
  parser.Run(input.Name(), &scene);
  return 0;
}
