#include "scene/ParserVrml.h"

#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "scene/MeshBuilder.h"
#include "scene/SceneGraph3d.h"
#include "scene/StreamFile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr size_t MaxToken = 999;
constexpr size_t MaxFileName = 259;
constexpr std::string_view PointsKey = "Coordinate { point [";
constexpr std::string_view UvKey = "TextureCoordinate { point [";
constexpr std::string_view FacesKey = "coordIndex [";
constexpr std::string_view UvFacesKey = "texCoordIndex [";

bool IsSpace(char c)
{
  return c == '\n' || c == '\t' || c == '\r' || c == ' ';
}

bool Contains(std::string_view text, std::string_view key)
{
  return text.find(key) != std::string_view::npos;
}

// The next whitespace-separated token of the text, which is advanced past it.
std::string_view NextToken(std::string_view& text)
{
  size_t begin = 0;
  while (begin < text.size() && IsSpace(text[begin]))
    begin++;
  size_t end = begin;
  while (end < text.size() && !IsSpace(text[end]))
    end++;
  const std::string_view token = text.substr(begin, end - begin);
  text.remove_prefix(end);
  return token;
}

// A leading '+' is what scanf's conversions accept and from_chars does not.
std::string_view SkipPlus(std::string_view token)
{
  if (token.size() > 1 && token[0] == '+' && token[1] != '-' && token[1] != '+')
    token.remove_prefix(1);
  return token;
}

// The number at the start of the token, as "%f" reads it (trailing text such as the comma or
// bracket of a list is ignored); locale-independent.
bool ParseFloat(std::string_view token, float* pValue)
{
  token = SkipPlus(token);
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), *pValue);
  return error == std::errc() && end != token.data();
}

// The integer at the start of the token, as "%d," reads it. One beyond the int range parses as
// the nearest bound, which names no vertex.
bool ParseInt(std::string_view token, int* pValue)
{
  token = SkipPlus(token);
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), *pValue);
  if (error == std::errc::result_out_of_range) {
    *pValue = token[0] == '-' ? INT_MIN : INT_MAX;
    return true;
  }
  return error == std::errc() && end != token.data();
}

// The n numbers after the first token (the keyword) of a field's text; 1 when all parse.
int ParseField(std::string_view text, int n, float* pValues)
{
  NextToken(text);
  for (int i = 0; i < n; i++)
    if (!ParseFloat(NextToken(text), &pValues[i]))
      return 0;
  return 1;
}

} // namespace

void CParserVrml::Free()
{
  m_Buffer.clear();
  m_Buffer.shrink_to_fit();
  m_Length = m_Position = m_End = 0;
  m_Line = m_Token = std::string_view();
  m_Error.clear();
}

int CParserVrml::ReadFile(const char* fileName)
{
  CStreamFile file;
  if (!file.Open(fileName, "rb") || std::fseek(file.Get(), 0, SEEK_END) != 0)
    return 0;
  const long size = std::ftell(file.Get());
  if (size < 0 || size > INT_MAX || std::fseek(file.Get(), 0, SEEK_SET) != 0)
    return 0;
  try {
    m_Buffer.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (std::fread(m_Buffer.data(), 1, m_Buffer.size(), file.Get()) != m_Buffer.size())
    return 0;
  m_Length = m_End = m_Buffer.size();
  m_Position = 0;
  return 1;
}

int CParserVrml::CheckVersion()
{
  m_Position = 0;
  return ReadLine() && Contains(m_Line, "#VRML V2.0") ? 1 : 0;
}

int CParserVrml::ReadLine()
{
  if (m_Position >= m_End) {
    m_Line = std::string_view();
    return 0;
  }
  const char* begin = m_Buffer.data() + m_Position;
  const size_t left = m_End - m_Position;
  const void* newline = std::memchr(begin, '\n', left);
  const size_t length = newline ? static_cast<size_t>(static_cast<const char*>(newline) - begin) : left;
  m_Line = std::string_view(begin, length);
  m_Position += newline ? length + 1 : length;
  return 1;
}

int CParserVrml::ReadToken()
{
  while (m_Position < m_End && IsSpace(m_Buffer[m_Position]))
    m_Position++;
  if (m_Position >= m_End)
    return 0;
  const size_t begin = m_Position;
  while (m_Position < m_End && !IsSpace(m_Buffer[m_Position]) && m_Position - begin < MaxToken)
    m_Position++;
  m_Token = std::string_view(m_Buffer.data() + begin, m_Position - begin);
  if (m_Position < m_End && IsSpace(m_Buffer[m_Position]))
    m_Position++;
  return 1;
}

int CParserVrml::FindLineStartingWith(std::string_view key)
{
  for (;;) {
    const size_t lineStart = m_Position;
    if (!ReadLine())
      return 0;
    if (m_Line.starts_with(key)) {
      m_Position = lineStart;
      return 1;
    }
  }
}

int CParserVrml::FindLineContaining(std::string_view key)
{
  for (;;) {
    const size_t lineStart = m_Position;
    if (!ReadLine())
      return 0;
    const size_t at = m_Line.find(key);
    if (at != std::string_view::npos) {
      m_Position = lineStart + at;
      return 1;
    }
  }
}

int CParserVrml::FindLineContainingBefore(std::string_view key, std::string_view stop)
{
  for (;;) {
    const size_t lineStart = m_Position;
    if (!ReadLine() || Contains(m_Line, stop))
      return 0;
    const size_t at = m_Line.find(key);
    if (at != std::string_view::npos) {
      m_Position = lineStart + at;
      return 1;
    }
  }
}

size_t CParserVrml::FindObjectEnd()
{
  ReadLine();
  return FindLineStartingWith("DEF") ? m_Position : m_Length;
}

int CParserVrml::Run(const char* fileName, CSceneGraph3d* pScene)
{
  Free();
  if (!ReadFile(fileName) || !CheckVersion())
    return 0;

  const int nbTexture = pScene->NbTexture();
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  while (FindLineStartingWith("DEF")) {
    const size_t start = m_Position;
    const size_t end = FindObjectEnd();
    m_Position = start;
    m_End = end;
    std::unique_ptr<CMesh3d> mesh;
    const EObject result = ReadMesh(pScene, &mesh);
    m_Position = end;
    m_End = m_Length;
    if (result == EObject::Malformed) {
      CArray3d<CTexture>* pTextures = pScene->GetArrayTexture();
      for (int i = pTextures->GetSize() - 1; i >= nbTexture; i--) {
        delete pTextures->GetAt(i);
        pTextures->RemoveAt(i);
      }
      return 0;
    }
    if (mesh)
      meshes.push_back(std::move(mesh));
  }
  for (auto& mesh : meshes)
    pScene->Add(mesh.release());
  return 1;
}

int CParserVrml::CheckMesh()
{
  const size_t lineStart = m_Position;
  if (!ReadLine() || !Contains(m_Line, "DEF") || !Contains(m_Line, "Transform"))
    return 0;
  m_Position = lineStart;
  if (!FindLineContaining("Transform") || !FindLineContaining("Material") ||
      !FindLineContaining("IndexedFaceSet"))
    return 0;
  m_Position = lineStart;
  return 1;
}

CParserVrml::EObject CParserVrml::ReadMesh(CSceneGraph3d* pScene,
                                           std::unique_ptr<CMesh3d>* ppMesh)
{
  const size_t lineStart = m_Position;
  if (!CheckMesh())
    return EObject::Skipped;
  // "DEF name Transform": the name is not kept, the mesh keeps its default one.
  ReadLine();
  std::string_view afterDef = m_Line.substr(3);
  if (NextToken(afterDef).empty())
    return EObject::Skipped;
  m_Position = lineStart;
  FindLineContaining("Transform");
  ReadLine();

  CTransform transform;
  transform.Clear();
  ReadTransform(&transform);
  CMaterial material;
  m_Position = ReadMaterial(&material, m_Position);
  int textureIndex = -1;
  const int textured = ReadTexture(pScene, &textureIndex);

  SMeshData data;
  const int read = ReadMeshData(textured, &data);
  if (read <= 0)
    return read < 0 ? EObject::Malformed : EObject::Skipped;
  auto mesh = std::make_unique<CMesh3d>();
  const EObject result = BuildMesh(data, textured, mesh.get());
  if (result != EObject::Read)
    return result;
  if (textured)
    mesh->SetTextureIndex(textureIndex);
  mesh->SetTransform(&transform);
  mesh->SetMaterial(&material);
  *ppMesh = std::move(mesh);
  return EObject::Read;
}

void CParserVrml::ReadTransform(CTransform* pTransform)
{
  struct SField
  {
    std::string_view keyword;
    int nbValue;
  };
  // Recognised in this order only; "scale" is the field itself, not the start of
  // "scaleOrientation".
  static constexpr SField fields[] = {
      {"translation", 3}, {"rotation", 4}, {"scale", 3}, {"scaleOrientation", 4}};
  constexpr size_t nbField = sizeof fields / sizeof fields[0];

  size_t next = 0;
  while (next < nbField) {
    const size_t lineStart = m_Position;
    if (!ReadLine())
      return;
    std::string_view rest = m_Line;
    const std::string_view keyword = NextToken(rest);
    size_t k = next;
    while (k < nbField && keyword != fields[k].keyword)
      k++;
    if (k == nbField) {
      m_Position = lineStart;  // not a transform field: left for the searches that follow
      return;
    }
    float v[4] = {0, 0, 0, 0};
    if (ParseField(m_Line, fields[k].nbValue, v)) {
      if (k == 0) {
        pTransform->SetTranslation(CVector3d(v[0], v[1], v[2]));
      } else if (k == 1) {
        pTransform->SetRotation(CVector3d(v[0], v[1], v[2]));
        pTransform->SetRotationAngle(static_cast<float>(v[3] / 3.1415925 * 180.0));
      } else if (k == 2) {
        pTransform->SetScale(CVector3d(v[0], v[1], v[2]));
      }
    }
    next = k + 1;
  }
}

size_t CParserVrml::ReadMaterial(CMaterial* pMaterial, size_t fallback)
{
  if (!FindLineContaining("Material"))
    return fallback;
  ReadLine();
  const size_t remembered = m_Position;
  float v[3] = {0, 0, 0};
  if (ReadLine()) {
    const size_t at = m_Line.find("diffuseColor");
    if (at == std::string_view::npos)
      m_Position = remembered;  // another field: left for the searches below
    else if (ParseField(m_Line.substr(at), 3, v))
      pMaterial->SetDiffuse(v[0], v[1], v[2], 1.0f);
  }
  // The other fields may stand anywhere further on in the object, but only in this order.
  if (FindLineContaining("ambientIntensity") && ReadLine() && ParseField(m_Line, 1, v))
    pMaterial->SetAmbient(v[0], v[0], v[0], 1.0f);
  if (FindLineContaining("specularColor") && ReadLine() && ParseField(m_Line, 3, v))
    pMaterial->SetSpecular(v[0], v[1], v[2], 1.0f);
  if (FindLineContaining("shininess") && ReadLine() && ParseField(m_Line, 1, v))
    pMaterial->SetShininess(v[0]);
  return remembered;
}

int CParserVrml::ReadTexture(CSceneGraph3d* pScene, int* pTextureIndex)
{
  const size_t start = m_Position;
  if (!FindLineContainingBefore("texture ImageTexture", "geometry")) {
    m_Position = start;
    return 0;
  }
  ReadLine();
  const size_t remembered = m_Position;
  if (!ReadLine() || !Contains(m_Line, "url")) {
    m_Position = remembered;
    return 1;
  }
  m_Position = remembered;
  ReadToken();
  if (!ReadToken())
    return 1;
  // The name stands between quotes, without blanks; a longer one is cut.
  std::string_view quoted = m_Token;
  const std::string name(quoted.size() >= 2 ? quoted.substr(1, std::min(quoted.size() - 2, MaxFileName))
                                            : std::string_view());
  if (pScene->FindTexture(name, pTextureIndex))
    return 1;
  auto* pTexture = new CTexture;
  pTexture->ReadFile(name);  // a texture that cannot be read is kept, empty
  pTexture->BGRtoRGB();
  *pTextureIndex = pScene->AddTexture(pTexture);
  return 1;
}

int CParserVrml::ReadMeshData(int textured, SMeshData* pData)
{
  const size_t start = m_Position;
  if (!FindLineContaining("IndexedFaceSet"))
    return 0;
  int result = ReadList(PointsKey, [&] { return ReadNumbers(3, &pData->points); });
  if (result == 1 && textured)
    result = ReadList(UvKey, [&] { return ReadNumbers(2, &pData->uv); });
  if (result != 1)
    return result;
  m_Position = start;
  result = ReadList(FacesKey, [&] { return ReadIndexGroups("coordIndex", &pData->faces); });
  if (result == 1 && textured) {
    m_Position = start;
    result = ReadList(UvFacesKey, [&] { return ReadIndexGroups("texCoordIndex", &pData->uvIndices); });
    if (result == 1 && pData->uvIndices.size() != pData->faces.size())
      return 0;
  }
  return result;
}

template <class Read>
int CParserVrml::ReadList(std::string_view key, Read read)
{
  if (!FindLineContaining(key))
    return 0;
  m_Position += key.size();
  return read();
}

int CParserVrml::ReadNumbers(int n, std::vector<float>* pValues)
{
  float group[3] = {0, 0, 0};
  for (;;) {
    for (int i = 0; i < n; i++) {
      if (!ReadToken())
        return Fail("a list is cut short by the end of its object");
      if (!ParseFloat(m_Token, &group[i]))
        return pValues->empty() ? 0 : 1;
    }
    pValues->insert(pValues->end(), group, group + n);
  }
}

int CParserVrml::ReadIndexGroups(std::string_view list, std::vector<int>* pIndices)
{
  int group[3] = {0, 0, 0};
  for (;;) {
    for (int i = 0; i < 3; i++) {
      if (!ReadToken())
        return Fail("a list is cut short by the end of its object");
      if (!ParseInt(m_Token, &group[i]))
        return pIndices->empty() ? 0 : 1;
      // -1 ends a polygon; anything lower names nothing and would read as a mesh with holes.
      if (group[i] < -1)
        return FailIndex(list, group[i]);
    }
    pIndices->insert(pIndices->end(), group, group + 3);
    if (!ReadToken())
      return Fail("a list is cut short by the end of its object");
    if (Contains(m_Token, "]"))
      return 1;
    // Only triangles: a fourth index in place of the -1 would shift every group that follows.
    int terminator = 0;
    if (!ParseInt(m_Token, &terminator))
      return 0;
    if (terminator < -1)
      return FailIndex(list, terminator);
    if (terminator != -1)
      return 0;
  }
}

int CParserVrml::Fail(const std::string& reason)
{
  m_Error = reason;
  return -1;
}

int CParserVrml::FailIndex(std::string_view list, int index)
{
  return Fail(platform::Format("%.*s holds the index %d", static_cast<int>(list.size()), list.data(), index));
}

CParserVrml::EObject CParserVrml::BuildMesh(SMeshData& data, int textured, CMesh3d* pMesh)
{
  const int nbPoint = static_cast<int>(data.points.size() / 3);  // before the points move
  const int nbUv = static_cast<int>(data.uv.size() / 2);
  CMeshBuilder builder;
  builder.SetPoints(std::move(data.points));
  std::vector<int> uvIndices;
  for (size_t k = 0; k + 2 < data.faces.size(); k += 3) {
    const int* face = &data.faces[k];
    if (face[0] < 0 || face[1] < 0 || face[2] < 0)
      continue;
    if (face[0] >= nbPoint || face[1] >= nbPoint || face[2] >= nbPoint) {
      Fail(platform::Format("coordIndex names a point beyond the %d points", nbPoint));
      return EObject::Malformed;
    }
    if (textured) {
      // A face and its texture indices are kept or skipped together.
      const int* uv = &data.uvIndices[k];
      if (uv[0] < 0 || uv[1] < 0 || uv[2] < 0)
        continue;
      if (uv[0] >= nbUv || uv[1] >= nbUv || uv[2] >= nbUv) {
        Fail(platform::Format("texCoordIndex names a coordinate beyond the %d coordinates", nbUv));
        return EObject::Malformed;
      }
      uvIndices.insert(uvIndices.end(), uv, uv + 3);
    }
    builder.AddFace(face[0], face[1], face[2]);
  }
  if (!builder.Build(pMesh)) {
    Fail("its faces make no mesh");
    return EObject::Malformed;
  }
  if (textured) {
    pMesh->SetTextureCoordinates(std::move(data.uv));
    pMesh->SetTextureIndices(std::move(uvIndices));
  }
  return EObject::Read;
}
