// The writers of one triangle mesh: the VRML 2.0 and Inventor blocks, the binary record and the
// cpt export; and the face areas that the file commands report.
#include "mesh/Mesh3d.h"

#include "mesh/BinaryMeshFile.h"
#include "mesh/GeometryUtil.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "scene/StreamFile.h"

#include <bit>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace {

int Fail(const char* message)
{
  platform::MessageBox(message);
  return 0;
}

// The positions in the vertex array of every face's corners, three per face; -1 for a corner
// that is not in the array. A vertex listed twice answers its first position.
std::vector<int> CornerIndices(const CMesh3d& mesh)
{
  std::unordered_map<const CVertex3d*, int> index;
  index.reserve(static_cast<size_t>(mesh.NbVertex()));
  for (int i = mesh.NbVertex() - 1; i >= 0; i--)
    index[mesh.GetVertex(i)] = i;
  std::vector<int> corners;
  corners.reserve(3 * static_cast<size_t>(mesh.NbFace()));
  for (int i = 0; i < mesh.NbFace(); i++) {
    for (int k = 0; k < 3; k++) {
      const auto found = index.find(mesh.GetFace(i)->v(k));
      corners.push_back(found == index.end() ? -1 : found->second);
    }
  }
  return corners;
}

// The point list that both text formats share: "x y z" lines, each ended by ',' and the last by
// ']'; an empty list is a lone ']'. False once a write fails.
bool WritePoints(std::FILE* file, const CMesh3d& mesh)
{
  const int n = mesh.NbVertex();
  if (n == 0)
    return std::fputs("]\n", file) >= 0;
  for (int i = 0; i < n; i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    if (platform::PrintFile(file, "          %g %g %g%c\n", v->x(), v->y(), v->z(),
                            i + 1 < n ? ',' : ']') < 0)
      return false;
  }
  return true;
}

// The coordIndex list: "a, b, c, -1" lines ended as the points are.
bool WriteFaces(std::FILE* file, const int* corners, int nbFace)
{
  if (nbFace == 0)
    return std::fputs("]\n", file) >= 0;
  for (int i = 0; i < nbFace; i++) {
    const int* c = corners + 3 * static_cast<size_t>(i);
    if (platform::PrintFile(file, "          %d, %d, %d, -1%c\n", c[0], c[1], c[2],
                            i + 1 < nbFace ? ',' : ']') < 0)
      return false;
  }
  return true;
}

bool WriteText(std::FILE* file, const char* text)
{
  return std::fputs(text, file) >= 0;
}

constexpr const char* VrmlShapeStart =
    "  children [\n"
    "    Shape {\n"
    "      appearance Appearance {\n"
    "        material Material {\n"
    "          diffuseColor 0 0 0\n"
    "        }\n"
    "      }\n"
    "      geometry DEF Mesh-FACES IndexedFaceSet {\n"
    "        ccw TRUE\n"
    "        solid TRUE\n"
    "        coord DEF Mesh-COORD Coordinate { point [\n";
constexpr const char* VrmlShapeEnd =
    "        }\n"
    "      }\n"
    "    ]\n"
    "  }\n"
    "\n";

void PutFloat(std::vector<unsigned char>& bytes, float value)
{
  binaryfile::PutWord(bytes, std::bit_cast<std::uint32_t>(value));
}

void PutVector(std::vector<unsigned char>& bytes, const CVector3d* v)
{
  PutFloat(bytes, v->x());
  PutFloat(bytes, v->y());
  PutFloat(bytes, v->z());
}

} // namespace

int CMesh3d::WriteVrml(CStreamFile& file)
{
  std::FILE* f = file.Get();
  const CVector3d* t = m_Transform.GetTranslation();
  const CVector3d* r = m_Transform.GetRotation();
  const CVector3d* s = m_Transform.GetScale();
  const double radians = m_Transform.GetRotationAngle() / 360.0 * 2.0 * 3.1415927;
  bool ok = platform::PrintFile(f, "# Mesh : %d vertices, %d faces\n", NbVertex(), NbFace()) >= 0 &&
            WriteText(f, "DEF Mesh-ROOT Transform {\n") &&
            platform::PrintFile(f, "  translation %g %g %g\n", t->x(), t->y(), t->z()) >= 0 &&
            platform::PrintFile(f, "  rotation %g %g %g %g\n", r->x(), r->y(), r->z(), radians) >= 0 &&
            platform::PrintFile(f, "  scale %g %g %g\n", s->x(), s->y(), s->z()) >= 0 &&
            WriteText(f, VrmlShapeStart);
  // Faces name their corners through the flags, so that writing costs no search.
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetFlag(i);
  std::vector<int> corners;
  corners.reserve(3 * static_cast<size_t>(NbFace()));
  for (int i = 0; i < NbFace(); i++)
    for (int k = 0; k < 3; k++)
      corners.push_back(GetFace(i)->v(k)->GetFlag());
  ok = ok && WritePoints(f, *this) && WriteText(f, "        }\n        coordIndex [\n") &&
       WriteFaces(f, corners.data(), NbFace()) && WriteText(f, VrmlShapeEnd) && file.Flush();
  return ok ? 1 : Fail("Error during writing transform");
}

int CMesh3d::WriteInventor(CStreamFile& file) const
{
  std::FILE* f = file.Get();
  const std::vector<int> corners = CornerIndices(*this);
  const bool ok =
      platform::PrintFile(f, "# Mesh : %d vertices, %d faces\n", NbVertex(), NbFace()) >= 0 &&
      WriteText(f, "Separator {\n        Coordinate3 { point [\n") && WritePoints(f, *this) &&
      WriteText(f, "        }\n        IndexedFaceSet {\n        coordIndex [\n") &&
      WriteFaces(f, corners.data(), NbFace()) && WriteText(f, "        }\n      }\n") &&
      file.Flush();
  return ok ? 1 : Fail("Error during writing transform");
}

int CMesh3d::WriteBinary(CStreamFile& file) const
{
  std::vector<unsigned char> bytes;
  bytes.reserve(48 + 12 * static_cast<size_t>(NbVertex()) + 12 * static_cast<size_t>(NbFace()));
  PutVector(bytes, m_Transform.GetTranslation());
  PutVector(bytes, m_Transform.GetRotation());
  PutFloat(bytes, m_Transform.GetRotationAngle());
  PutVector(bytes, m_Transform.GetScale());
  binaryfile::PutWord(bytes, static_cast<std::uint32_t>(NbVertex()));
  binaryfile::PutWord(bytes, static_cast<std::uint32_t>(NbFace()));
  for (int i = 0; i < NbVertex(); i++) {
    const CVertex3d* v = GetVertex(i);
    PutFloat(bytes, v->x());
    PutFloat(bytes, v->y());
    PutFloat(bytes, v->z());
  }
  for (const int corner : CornerIndices(*this))
    binaryfile::PutWord(bytes, static_cast<std::uint32_t>(corner));
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.Get()) == bytes.size() &&
                  file.Flush();
  return ok ? 1 : Fail("Error during writing");
}

int CMesh3d::WriteFileCpt(const char* fileName)
{
  CStreamFile file;
  if (!file.Open(fileName, "w"))
    return 0;
  std::FILE* f = file.Get();
  float lo[3] = {0, 0, 0};
  float hi[3] = {0, 0, 0};
  for (int axis = 0; axis < 3; axis++)
    GetRange(axis, &lo[axis], &hi[axis]);
  bool ok = platform::PrintFile(f, "%g %g %g %g %g %g\n", lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]) >= 0 &&
            platform::PrintFile(f, "0 0 0\n1.0\n1\n%d\n%d\n", NbVertex(), NbFace()) >= 0;
  for (int i = 0; ok && i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    ok = platform::PrintFile(f, "%g %g %g\n", v->x(), v->y(), v->z()) >= 0;
    v->SetFlag(i);
  }
  for (int i = 0; ok && i < NbFace(); i++) {
    const CFace3d* face = GetFace(i);
    ok = platform::PrintFile(f, "%d %d %d\n", face->v(0)->GetFlag(), face->v(1)->GetFlag(),
                             face->v(2)->GetFlag()) >= 0;
  }
  return file.Close() && ok ? 1 : 0;
}

double CMesh3d::GetMinArea(CFace3d** ppFace) const
{
  double best = 1.7e308;
  for (int i = 0; i < NbFace(); i++) {
    const double area = GetFace(i)->Area();
    if (area < best) {
      best = area;
      if (ppFace)
        *ppFace = GetFace(i);
    }
  }
  return best;
}

double CMesh3d::GetMeanArea() const
{
  return MeanArea(&m_ArrayFace);
}
