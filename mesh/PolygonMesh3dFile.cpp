// The OBJ reader and the binary writer of the polygon mesh.
//
// An OBJ file is untrusted: it is read whole into plain arrays first and every corner is
// checked against the vertices of the file, so that a malformed file leaves an empty mesh
// rather than half of one.
#include "mesh/PolygonMesh3d.h"

#include "mesh/BinaryMeshFile.h"
#include "platform/core/Trace.h"

#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace {

using binaryfile::FilePtr;

// The line buffer that getline grows as it needs.
struct SLineBuffer
{
  char* data = nullptr;
  size_t capacity = 0;

  SLineBuffer() = default;
  ~SLineBuffer() { std::free(data); }
  SLineBuffer(const SLineBuffer&) = delete;
  SLineBuffer& operator=(const SLineBuffer&) = delete;
};

// What the file holds, before anything is built from it. Corners are 0-based vertex indices;
// polygon p owns corners [starts[p], starts[p + 1]).
struct SOBJContent
{
  std::vector<float> positions;
  std::vector<int> corners;
  std::vector<size_t> starts{0};
  std::string error;  // empty while the file is sound

  int NbVertex() const { return static_cast<int>(positions.size() / 3); }
};

bool IsBlank(char c)
{
  return c == ' ' || c == '\t';
}

const char* SkipBlanks(const char* p, const char* end)
{
  while (p < end && IsBlank(*p))
    p++;
  return p;
}

// A number must end at a blank or at the end of the line (or at a slash inside a corner).
bool EndsToken(const char* p, const char* end, bool slashEnds)
{
  return p == end || IsBlank(*p) || (slashEnds && *p == '/');
}

// from_chars takes no plus sign; a single one is accepted in front of a digit or a point.
const char* SkipPlus(const char* p, const char* end)
{
  if (p + 1 < end && *p == '+' && *(p + 1) != '+' && *(p + 1) != '-')
    return p + 1;
  return p;
}

bool ParseCoordinate(const char*& p, const char* end, float& value)
{
  p = SkipPlus(SkipBlanks(p, end), end);
  double number = 0.0;
  const auto [next, ec] = std::from_chars(p, end, number);
  if (ec != std::errc() || !EndsToken(next, end, false) || !std::isfinite(number) ||
      std::fabs(number) > FLT_MAX)
    return false;
  value = static_cast<float>(number);
  p = next;
  return true;
}

bool ParseIndex(const char*& p, const char* end, int& value)
{
  p = SkipPlus(p, end);
  const auto [next, ec] = std::from_chars(p, end, value);
  if (ec != std::errc() || !EndsToken(next, end, true))
    return false;
  p = next;
  return true;
}

void ParseVertex(const char* p, const char* end, SOBJContent& content)
{
  float xyz[3];
  for (float& value : xyz)
    if (!ParseCoordinate(p, end, value)) {
      content.error = "a vertex needs three finite coordinates";
      return;
    }
  if (content.NbVertex() == INT_MAX) {
    content.error = "too many vertices";
    return;
  }
  // Anything after the coordinates (a weight, a colour) is not used.
  content.positions.insert(content.positions.end(), xyz, xyz + 3);
}

// One corner in any of the forms v, v/vt, v//vn, v/vt/vn. The texture and normal indices
// are not used, but must be numbers when present.
bool ParseCorner(const char*& p, const char* end, int& vertex)
{
  if (!ParseIndex(p, end, vertex))
    return false;
  if (p == end || *p != '/')
    return true;
  p++;
  int unused = 0;
  if (p < end && *p != '/' && !ParseIndex(p, end, unused))
    return false;
  if (p == end || *p != '/')
    return EndsToken(p, end, false);
  p++;
  return ParseIndex(p, end, unused) && EndsToken(p, end, false);
}

// A positive index counts from the first vertex of the file and may name a vertex defined
// further on (it is checked once the file is read); a negative one counts back from the
// last vertex read so far.
bool ResolveIndex(int index, int nbVertexSoFar, int& corner)
{
  if (index > 0) {
    corner = index - 1;
    return true;
  }
  if (index < 0 && -static_cast<std::int64_t>(index) <= nbVertexSoFar) {
    corner = nbVertexSoFar + index;
    return true;
  }
  return false;
}

void ParseFace(const char* p, const char* end, SOBJContent& content)
{
  const size_t first = content.corners.size();
  for (p = SkipBlanks(p, end); p < end; p = SkipBlanks(p, end)) {
    int index = 0, corner = 0;
    if (!ParseCorner(p, end, index)) {
      content.error = "malformed face corner";
      return;
    }
    if (!ResolveIndex(index, content.NbVertex(), corner)) {
      content.error = "face index " + std::to_string(index) + " names no vertex";
      return;
    }
    content.corners.push_back(corner);
  }
  if (content.corners.size() - first < 3) {
    content.error = "a face needs three corners";
    return;
  }
  if (content.corners.size() - first > static_cast<size_t>(INT_MAX) ||
      content.starts.size() > static_cast<size_t>(INT_MAX)) {
    content.error = "face too large";
    return;
  }
  content.starts.push_back(content.corners.size());
}

void ParseLine(const char* p, const char* end, SOBJContent& content)
{
  while (end > p && (end[-1] == '\n' || end[-1] == '\r'))
    end--;
  p = SkipBlanks(p, end);
  // Only "v" and "f" followed by a blank (or nothing, which is then an error) are read;
  // vt, vn, comments, groups and materials are not used.
  if (p == end || (p + 1 < end && !IsBlank(p[1])))
    return;
  if (*p == 'v')
    ParseVertex(p + 1, end, content);
  else if (*p == 'f')
    ParseFace(p + 1, end, content);
}

void CheckCorners(SOBJContent& content)
{
  if (content.starts.size() == 1) {
    content.error = "no face";
    return;
  }
  const int nbVertex = content.NbVertex();
  for (int corner : content.corners)
    if (corner >= nbVertex) {
      content.error = "face index " + std::to_string(corner + 1) + " names no vertex";
      return;
    }
}

} // namespace

int CPolygonMesh3d::ReadFileOBJ(const char* fileName)
{
  Free();
  m_Modified = 1;
  FilePtr file(std::fopen(fileName, "rb"));
  if (!file) {
    platform::Trace("** unable to open file %s for reading\n", fileName);
    return 0;
  }

  SOBJContent content;
  SLineBuffer buffer;
  ssize_t length = 0;
  long line = 0;
  while (content.error.empty() &&
         (length = getline(&buffer.data, &buffer.capacity, file.get())) >= 0) {
    line++;
    ParseLine(buffer.data, buffer.data + length, content);
  }
  if (content.error.empty() && std::ferror(file.get()))
    content.error = "read error";
  if (content.error.empty())
    CheckCorners(content);
  if (!content.error.empty()) {
    platform::Trace("** %s, line %ld: %s\n", fileName, line, content.error.c_str());
    return 0;
  }

  const int nbVertex = content.NbVertex();
  m_ArrayVertex.SetSize(nbVertex);
  for (int i = 0; i < nbVertex; i++) {
    const float* xyz = &content.positions[3 * static_cast<size_t>(i)];
    m_ArrayVertex.SetAt(i, new CPolygonVertex3d(xyz[0], xyz[1], xyz[2]));
  }
  const int nbPolygon = static_cast<int>(content.starts.size() - 1);
  m_ArrayPolygon.SetSize(nbPolygon);
  for (int i = 0; i < nbPolygon; i++) {
    const size_t first = content.starts[i];
    const int degree = static_cast<int>(content.starts[i + 1] - first);
    CPolygon3d* polygon = new CPolygon3d;
    m_ArrayPolygon.SetAt(i, polygon);
    polygon->SetNbVertex(degree);
    for (int k = 0; k < degree; k++)
      polygon->SetVertex(k, GetVertex(content.corners[first + k]));
  }
  return 1;
}

int CPolygonMesh3d::WriteBinary(const char* fileName)
{
  std::vector<unsigned char> bytes;
  binaryfile::PutHeaderAndVertices(bytes, m_ArrayVertex, NbPolygon());
  for (int i = 0; i < NbPolygon(); i++) {
    const CPolygon3d* polygon = GetPolygon(i);
    binaryfile::PutWord(bytes, static_cast<std::uint32_t>(polygon->NbVertex()));
    for (int k = 0; k < polygon->NbVertex(); k++)
      binaryfile::PutWord(bytes, static_cast<std::uint32_t>(polygon->GetVertex(k)->GetFlag()));
  }
  return binaryfile::WriteWhole(fileName, bytes);
}
