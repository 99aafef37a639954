// The binary quad file: int32 vertex count, int32 quad count, three float32 per vertex,
// four int32 corner indices per quad, all little-endian.
#include "mesh/QuadMesh3d.h"

#include "mesh/BinaryMeshFile.h"
#include "platform/core/Trace.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using binaryfile::FilePtr;

constexpr std::int64_t HeaderSize = 8;
constexpr std::int64_t VertexSize = 12;
constexpr std::int64_t QuadSize = 16;

std::uint32_t GetWord(const unsigned char* bytes)
{
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::int32_t GetInt(const unsigned char* bytes)
{
  return static_cast<std::int32_t>(GetWord(bytes));
}

float GetFloat(const unsigned char* bytes)
{
  return std::bit_cast<float>(GetWord(bytes));
}

// Size of an open file, -1 when it cannot be told.
std::int64_t FileSize(std::FILE* file)
{
  if (std::fseek(file, 0, SEEK_END) != 0)
    return -1;
  const long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0)
    return -1;
  return size;
}

bool ReadBytes(std::FILE* file, std::vector<unsigned char>& bytes, std::int64_t size)
{
  bytes.resize(static_cast<size_t>(size));
  return size == 0 || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

} // namespace

int CQuadMesh3d::WriteBinary(const char* fileName)
{
  std::vector<unsigned char> bytes;
  bytes.reserve(static_cast<size_t>(HeaderSize + VertexSize * NbVertex() + QuadSize * NbQuad()));
  binaryfile::PutHeaderAndVertices(bytes, m_ArrayVertex, NbQuad());
  for (int i = 0; i < NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      binaryfile::PutWord(bytes, static_cast<std::uint32_t>(GetQuad(i)->v(k)->GetFlag()));
  return binaryfile::WriteWhole(fileName, bytes);
}

int CQuadMesh3d::ReadBinary(const char* fileName)
{
  Free();
  FilePtr file(std::fopen(fileName, "rb"));
  if (!file) {
    platform::Trace("** unable to open file %s for reading\n", fileName);
    return 0;
  }

  // The counts must describe the file exactly before anything is allocated from them.
  const std::int64_t fileSize = FileSize(file.get());
  std::vector<unsigned char> header;
  if (fileSize < HeaderSize || !ReadBytes(file.get(), header, HeaderSize))
    return 0;
  const std::int64_t nbVertex = GetInt(&header[0]);
  const std::int64_t nbQuad = GetInt(&header[4]);
  if (nbVertex < 0 || nbQuad < 0 ||
      HeaderSize + VertexSize * nbVertex + QuadSize * nbQuad != fileSize)
    return 0;

  std::vector<unsigned char> body;
  if (!ReadBytes(file.get(), body, fileSize - HeaderSize))
    return 0;
  const unsigned char* quadBytes = body.data() + VertexSize * nbVertex;
  for (std::int64_t i = 0; i < 4 * nbQuad; i++) {
    const std::int32_t index = GetInt(quadBytes + 4 * i);
    if (index < 0 || index >= nbVertex)
      return 0;
  }

  m_ArrayVertex.SetSize(static_cast<int>(nbVertex));
  for (int i = 0; i < nbVertex; i++) {
    const unsigned char* p = body.data() + VertexSize * i;
    m_ArrayVertex.SetAt(i, new CQuadVertex3d(GetFloat(p), GetFloat(p + 4), GetFloat(p + 8)));
  }
  m_ArrayQuad.SetSize(static_cast<int>(nbQuad));
  for (int i = 0; i < nbQuad; i++) {
    const unsigned char* p = quadBytes + QuadSize * i;
    m_ArrayQuad.SetAt(i, new CQuad3d(GetVertex(GetInt(p)), GetVertex(GetInt(p + 4)),
                                     GetVertex(GetInt(p + 8)), GetVertex(GetInt(p + 12))));
  }
  m_Modified = 1;
  return 1;
}
