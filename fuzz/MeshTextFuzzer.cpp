// The text mesh readers; the first byte picks the format, the rest is the file.
#include "fuzz/FuzzInput.h"
#include "mesh/Mesh3d.h"

namespace {

struct SReader
{
  const char* suffix;
  int (CMesh3d::*read)(const char*);
};

const SReader kReaders[] = {
  {".smf", &CMesh3d::ReadFileSmf}, {".smm", &CMesh3d::ReadFileSmm}, {".ppd", &CMesh3d::ReadFilePpd},
  {".dem", &CMesh3d::ReadFileDem}, {".mhp", &CMesh3d::ReadFileMhp}, {".obj", &CMesh3d::ReadFileObj},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const SReader& reader = kReaders[data[0] % std::size(kReaders)];
  const CFuzzInput input(data + 1, size - 1, reader.suffix);
  CMesh3d mesh;
  (mesh.*reader.read)(input.Name());
  return 0;
}
