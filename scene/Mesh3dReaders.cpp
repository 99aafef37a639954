// The mesh readers: the bit-stream ".bin" and the line-oriented text meshes ".smf", ".smm",
// ".ppd", ".dem", ".mhp" and triangle OBJ. Each collects the whole file, checks it, and only
// then fills the mesh.
#include "mesh/Mesh3d.h"

#include "coding/IBitFile.h"
#include "platform/core/Format.h"
#include "scene/MeshBuilder.h"
#include "scene/TextLineReader.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

namespace {

const char* SkipBlanks(const char* text)
{
  while (*text && std::isspace(static_cast<unsigned char>(*text)))
    text++;
  return text;
}

// n integers separated by blanks, and nothing after them; an integer beyond the int range
// does not parse (scanf's "%d" would wrap it onto some other index).
bool ReadInts(const char* text, int n, int* pValues)
{
  for (int i = 0; i < n; i++) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT_MIN || value > INT_MAX)
      return false;
    pValues[i] = static_cast<int>(value);
    text = end;
  }
  return *SkipBlanks(text) == '\0';
}

// The line begins with the word, followed by a blank or the line's end.
bool StartsWithWord(const char* line, const char* word)
{
  const size_t n = std::strlen(word);
  return std::strncmp(line, word, n) == 0 && (line[n] == '\0' || std::isspace(static_cast<unsigned char>(line[n])));
}

// A header line "<prefix> <count>"; a count below 0 does not parse.
bool ReadCount(CTextLineReader& reader, const char* prefix, int* pCount)
{
  const size_t n = std::strlen(prefix);
  return reader.Require() && std::strncmp(reader.Line(), prefix, n) == 0 &&
         ReadInts(reader.Line() + n, 1, pCount) && *pCount >= 0;
}

bool SkipLines(CTextLineReader& reader, int n)
{
  for (int i = 0; i < n; i++)
    if (!reader.Require())
      return false;
  return true;
}

// A face of 1-based indices given after `skip` leading numbers that are not used.
bool AddFace1(CMeshBuilder& builder, const char* text, int skip)
{
  int values[4] = {0, 0, 0, 0};
  if (!ReadInts(text, skip + 3, values))
    return false;
  builder.AddFace(values[skip] - 1, values[skip + 1] - 1, values[skip + 2] - 1);
  return true;
}

// A colour component from [0, 1] to a byte, truncated; values outside are held at the ends.
std::uint8_t UnitToByte(float value)
{
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f))
    return 0;
  return scaled >= 255.0f ? 255 : static_cast<std::uint8_t>(scaled);
}

// Ends a read: the mesh is filled only from a whole, sound file.
int Finish(int lastRead, const CMeshBuilder& builder, CMesh3d* pMesh)
{
  return lastRead >= 0 && builder.Build(pMesh) ? 1 : 0;
}

// A coordinate stored as a double: a value that is no finite float is refused.
bool ReadCoordinate(CIBitFile& file, float* pValue)
{
  const double value = file.ReadDouble();
  if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
    return false;
  *pValue = static_cast<float>(value);
  return true;
}

} // namespace

int CMesh3d::ReadFileBin(const char* fileName)
{
  std::error_code error;
  const auto bytes = std::filesystem::file_size(fileName, error);
  CIBitFile file(fileName);
  if (error || !file.IsValid())
    return 0;
  const long long nbVertex = file.ReadSignedInt(32);
  const long long nbFace = file.ReadSignedInt(32);
  // Each count is 33 bits, each coordinate 64, each index 33: the counts must fit the file.
  if (nbVertex < 0 || nbFace < 0 ||
      66 + 192 * nbVertex + 99 * nbFace > 8 * static_cast<long long>(bytes))
    return 0;

  CMeshBuilder builder;
  builder.Reserve(nbVertex, nbFace, static_cast<long long>(bytes));
  for (long long i = 0; i < nbVertex; i++) {
    float p[3] = {0, 0, 0};
    for (float& c : p)
      if (!ReadCoordinate(file, &c))
        return 0;
    builder.AddVertex(p[0], p[1], p[2]);
  }
  for (long long i = 0; i < nbFace; i++) {
    const int a = file.ReadSignedInt(32);
    const int b = file.ReadSignedInt(32);
    const int c = file.ReadSignedInt(32);
    builder.AddFace(c, b, a);  // the stored order reversed
  }
  if (file.IsPastEnd() || !builder.Build(this))
    return 0;
  Range(0, -1.0f, 1.0f);
  Range(1, -1.0f, 1.0f);
  Range(2, -0.1f, 0.1f);
  return 1;
}

int CMesh3d::ReadFileSmf(const char* fileName)
{
  CTextLineReader reader(fileName);
  if (!reader.IsOpen())
    return 0;
  CMeshBuilder builder;
  int nbColor = 0;
  int read = 0;
  while ((read = reader.Next()) > 0) {
    const char* line = reader.Line();
    float x = 0, y = 0, z = 0;
    if (line[0] == 'v') {
      if (platform::Scan(line, "v %g %g %g", &x, &y, &z) != 3)
        return 0;
      builder.AddVertex(x, y, z);
    } else if (line[0] == 'f' || line[0] == 't') {
      if (!AddFace1(builder, line + 1, 0))
        return 0;
    } else if (line[0] == 'c') {
      // The k-th colour goes to the k-th vertex, which must come first.
      if (platform::Scan(line, "c %g %g %g", &x, &y, &z) != 3 ||
          !builder.SetVertexColor(nbColor++, CColor(UnitToByte(x), UnitToByte(y), UnitToByte(z))))
        return 0;
    }
  }
  return Finish(read, builder, this);
}

int CMesh3d::ReadFileObj(const char* fileName)
{
  CTextLineReader reader(fileName);
  if (!reader.IsOpen())
    return 0;
  CMeshBuilder builder;
  int read = 0;
  while ((read = reader.Next()) > 0) {
    const char* line = reader.Line();
    float x = 0, y = 0, z = 0;
    // "vn", "vt" and the other records are not vertices or faces.
    if (StartsWithWord(line, "v")) {
      if (platform::Scan(line, "v %g %g %g", &x, &y, &z) != 3)
        return 0;
      builder.AddVertex(x, y, z);
    } else if (StartsWithWord(line, "f")) {
      if (!AddFace1(builder, line + 1, 0))
        return 0;
    }
  }
  return Finish(read, builder, this);
}

int CMesh3d::ReadFileSmm(const char* fileName)
{
  CTextLineReader reader(fileName);
  int counts[2] = {0, 0};
  if (!reader.IsOpen() || !reader.Require() || !ReadInts(reader.Line(), 2, counts) ||
      counts[0] < 0 || counts[1] < 0)
    return 0;
  CMeshBuilder builder;
  builder.Reserve(counts[0], counts[1], reader.GetSize());
  for (int i = 0; i < counts[0]; i++) {
    float x = 0, y = 0, z = 0;
    if (!reader.Require() || platform::Scan(reader.Line(), "%g %g %g", &x, &y, &z) != 3)
      return 0;
    builder.AddVertex(x, y, z);
  }
  for (int i = 0; i < counts[1]; i++) {
    int c[3] = {0, 0, 0};
    if (!reader.Require() || !ReadInts(reader.Line(), 3, c))
      return 0;
    builder.AddFace(c[0], c[1], c[2]);
  }
  return Finish(0, builder, this);
}

int CMesh3d::ReadFilePpd(const char* fileName)
{
  CTextLineReader reader(fileName);
  int nbVertex = 0;
  int nbFace = 0;
  if (!reader.IsOpen() || !ReadCount(reader, "vertex", &nbVertex) ||
      !ReadCount(reader, "face", &nbFace) || !SkipLines(reader, 1))
    return 0;
  CMeshBuilder builder;
  builder.Reserve(nbVertex, nbFace, reader.GetSize());
  for (int i = 0; i < nbVertex; i++) {
    float x = 0, y = 0, z = 0;
    if (!reader.Require() || platform::Scan(reader.Line(), "%*d %g %g %g", &x, &y, &z) != 3)
      return 0;
    builder.AddVertex(x, y, z);
  }
  if (!SkipLines(reader, 2))
    return 0;
  for (int i = 0; i < nbFace; i++)
    if (!reader.Require() || !AddFace1(builder, reader.Line(), 1))
      return 0;
  // The closing line is not needed.
  return Finish(0, builder, this);
}

int CMesh3d::ReadFileDem(const char* fileName)
{
  CTextLineReader reader(fileName);
  int nbVertex = 0;
  int nbFace = 0;
  if (!reader.IsOpen() || !ReadCount(reader, "vertices:", &nbVertex) ||
      !ReadCount(reader, "faces:", &nbFace))
    return 0;
  CMeshBuilder builder;
  builder.Reserve(nbVertex, nbFace, reader.GetSize());
  for (int i = 0; i < nbVertex; i++) {
    float x = 0, y = 0, z = 0;
    if (!reader.Require() || platform::Scan(reader.Line(), "v %g %g %g", &x, &y, &z) != 3 ||
        !SkipLines(reader, 1))
      return 0;
    builder.AddVertex(x, y, z);
  }
  for (int i = 0; i < nbFace; i++) {
    unsigned r = 0, g = 0, b = 0;
    if (!reader.Require() || reader.Line()[0] != 'f' || !AddFace1(builder, reader.Line() + 1, 0) ||
        !reader.Require() || platform::Scan(reader.Line(), "c %x %x %x", &r, &g, &b) != 3)
      return 0;
    builder.AddFaceColor(CColor(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                static_cast<std::uint8_t>(b)));
  }
  return Finish(0, builder, this);
}

int CMesh3d::ReadFileMhp(const char* fileName)
{
  CTextLineReader reader(fileName);
  int nbVertex = 0;
  int nbFace = 0;
  if (!reader.IsOpen() || !ReadCount(reader, "vertices:", &nbVertex) ||
      !ReadCount(reader, "faces:", &nbFace))
    return 0;
  CMeshBuilder builder;
  builder.Reserve(nbVertex, nbFace, reader.GetSize());
  for (int i = 0; i < nbVertex; i++) {
    float x = 0, y = 0, z = 0;
    if (!reader.Require() || platform::Scan(reader.Line(), "Vertex %*d %g %g %g", &x, &y, &z) != 3)
      return 0;
    builder.AddVertex(x, z, -y);  // the file's z axis is the mesh's y axis
  }
  for (int i = 0; i < nbFace; i++)
    if (!reader.Require() || !StartsWithWord(reader.Line(), "Face") ||
        !AddFace1(builder, reader.Line() + 4, 1))
      return 0;
  return Finish(0, builder, this);
}
