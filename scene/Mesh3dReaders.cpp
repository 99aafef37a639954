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

// A format whose header gives the numbers of vertices and faces: the header, then one vertex
// per line group, lines to skip, then one face per line group.
struct SCountedFormat
{
  bool (*readHeader)(CTextLineReader& reader, int* counts);
  const char* vertexFormat;  // scans x, y, z
  int linesAfterVertex;      // not used
  int linesBetween;          // not used, between the vertices and the faces
  bool zUp;                  // the file's z axis is the mesh's y axis: (x, z, -y) is stored
  bool (*readFace)(CTextLineReader& reader, CMeshBuilder& builder);
};

bool ReadVerticesAndFaces(CTextLineReader& reader, int* counts)
{
  return ReadCount(reader, "vertices:", &counts[0]) && ReadCount(reader, "faces:", &counts[1]);
}

int ReadCounted(const char* fileName, const SCountedFormat& format, CMesh3d* pMesh)
{
  CTextLineReader reader(fileName);
  int counts[2] = {0, 0};
  if (!reader.IsOpen() || !format.readHeader(reader, counts))
    return 0;
  CMeshBuilder builder;
  builder.Reserve(counts[0], counts[1], reader.GetSize());
  for (int i = 0; i < counts[0]; i++) {
    float x = 0, y = 0, z = 0;
    if (!reader.Require() || platform::Scan(reader.Line(), format.vertexFormat, &x, &y, &z) != 3 ||
        !SkipLines(reader, format.linesAfterVertex))
      return 0;
    if (format.zUp)
      builder.AddVertex(x, z, -y);
    else
      builder.AddVertex(x, y, z);
  }
  if (!SkipLines(reader, format.linesBetween))
    return 0;
  for (int i = 0; i < counts[1]; i++)
    if (!format.readFace(reader, builder))
      return 0;
  return builder.Build(pMesh);
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
  static const SCountedFormat format{
      [](CTextLineReader& reader, int* counts) {
        return reader.Require() && ReadInts(reader.Line(), 2, counts) && counts[0] >= 0 &&
               counts[1] >= 0;
      },
      "%g %g %g", 0, 0, false,
      [](CTextLineReader& reader, CMeshBuilder& builder) {
        int c[3] = {0, 0, 0};
        if (!reader.Require() || !ReadInts(reader.Line(), 3, c))
          return false;
        builder.AddFace(c[0], c[1], c[2]);
        return true;
      }};
  return ReadCounted(fileName, format, this);
}

int CMesh3d::ReadFilePpd(const char* fileName)
{
  // Vertex and face lines begin with their number, which is not used; the closing line after
  // the faces is not needed.
  static const SCountedFormat format{
      [](CTextLineReader& reader, int* counts) {
        return ReadCount(reader, "vertex", &counts[0]) && ReadCount(reader, "face", &counts[1]) &&
               SkipLines(reader, 1);
      },
      "%*d %g %g %g", 0, 2, false,
      [](CTextLineReader& reader, CMeshBuilder& builder) {
        return reader.Require() && AddFace1(builder, reader.Line(), 1);
      }};
  return ReadCounted(fileName, format, this);
}

int CMesh3d::ReadFileDem(const char* fileName)
{
  // Each vertex line is followed by a line that is not used, each face line by its colour.
  static const SCountedFormat format{
      ReadVerticesAndFaces, "v %g %g %g", 1, 0, false,
      [](CTextLineReader& reader, CMeshBuilder& builder) {
        unsigned r = 0, g = 0, b = 0;
        if (!reader.Require() || reader.Line()[0] != 'f' ||
            !AddFace1(builder, reader.Line() + 1, 0) || !reader.Require() ||
            platform::Scan(reader.Line(), "c %x %x %x", &r, &g, &b) != 3)
          return false;
        builder.AddFaceColor(CColor(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                    static_cast<std::uint8_t>(b)));
        return true;
      }};
  return ReadCounted(fileName, format, this);
}

int CMesh3d::ReadFileMhp(const char* fileName)
{
  static const SCountedFormat format{
      ReadVerticesAndFaces, "Vertex %*d %g %g %g", 0, 0, true,
      [](CTextLineReader& reader, CMeshBuilder& builder) {
        return reader.Require() && StartsWithWord(reader.Line(), "Face") &&
               AddFace1(builder, reader.Line() + 4, 1);
      }};
  return ReadCounted(fileName, format, this);
}
