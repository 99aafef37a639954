#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/Material.h"
#include "mesh/Object3d.h"
#include "mesh/Quad3d.h"
#include "mesh/QuadMesh3dBlock.h"
#include "mesh/QuadVertex3d.h"
#include "mesh/ScratchBuffer.h"
#include "mesh/Transform.h"
#include "mesh/Vector3d.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CQuadSplitLinker;

// A mesh of quadrilaterals: it owns its vertices and quads, draws them through a display
// list, subdivides (Catmull-Clark, interpolatory Kobbelt), smooths, and reads and writes
// its binary file. Topology changes end with BuildAdjacencyAndNormals.
class CQuadMesh3d : public CObject3d
{
public:
  CQuadMesh3d() = default;
  ~CQuadMesh3d() override;

  CQuadMesh3d(const CQuadMesh3d&) = delete;
  CQuadMesh3d& operator=(const CQuadMesh3d&) = delete;

  int GetType() const override { return TYPE_QUADMESH3D; }
  int BuildList() override;
  int Draw() override;
  void SetModified(int flag = 1) override { m_Modified = flag; }
  void Show(unsigned char flag) override { m_Show = flag; }
  int GetModified() const { return m_Modified; }

  // Deletes every vertex and quad.
  void Free();

  int NbVertex() const { return m_ArrayVertex.GetSize(); }
  int NbQuad() const { return m_ArrayQuad.GetSize(); }
  CQuadVertex3d* GetVertex(int i) const { return m_ArrayVertex[i]; }
  CQuad3d* GetQuad(int i) const { return m_ArrayQuad[i]; }
  // The face counting and access that every mesh kind offers the commands.
  int NbFace() const { return NbQuad(); }
  CQuad3d* GetFace(int i) const { return GetQuad(i); }
  CArray3d<CQuadVertex3d>* GetArrayVertex() { return &m_ArrayVertex; }
  CArray3d<CQuad3d>* GetArrayQuad() { return &m_ArrayQuad; }
  // The mesh takes ownership; the result is the element's index.
  int AddVertex(CQuadVertex3d* vertex) { return m_ArrayVertex.Add(vertex); }
  int AddQuad(CQuad3d* quad) { return m_ArrayQuad.Add(quad); }

  CMaterial* GetMaterial() { return &m_Material; }
  CTransform* GetTransform() { return &m_Transform; }
  const std::string& GetName() const { return m_Name; }
  void SetName(const std::string& name) { m_Name = name; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  void SetUseSingleColor(int flag) { m_UseSingleColor = flag; }
  int GetColorBinding() const { return m_ColorBinding; }
  int GetNormalBinding() const { return m_NormalBinding; }
  void SetColorBinding(int binding);
  void SetNormalBinding(int binding) { m_NormalBinding = binding; }

  void SetColorVertices(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetColorQuads(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetFlagQuads(int flag);
  void SetFlagVertices(int flag);
  // 1 when every quad has four distinct corners.
  int IsValid() const;

  // Vertex and quad neighbourhoods; 0 (and nothing done) below 4 vertices or without quads.
  int BuildAdjacency();
  // The same from the corners as vertex indices, 4 per quad, that the caller already holds;
  // corners that do not fit the arrays leave it to BuildAdjacency.
  int BuildAdjacencyFromCorners(const std::vector<int>& corners);
  void BuildAdjacencyAndNormals();
  void CalculateNormals();

  // Moves every vertex to the mean of itself and its neighbours.
  void Smooth();
  // One subdivision step each: every quad becomes four. Both expect a current adjacency.
  void SubdivisionCatmullClark();
  void SubdivisionKobbelt();

  // Replace the mesh by a predefined shape.
  void GenerateBox();
  void GenerateMushroom();

  // The binary quad file; 1 on success, 0 on failure. A file that fails to read leaves the
  // mesh empty.
  int WriteBinary(const char* fileName);
  int ReadBinary(const char* fileName);

  // Draws every quad in immediate mode with the material and bindings.
  void DrawImmediate() const;

private:
  // What a subdivision step records of the old quads, 4 entries per quad, so that it can link
  // the elements it creates without a build from scratch. Taken from the heap, as the blocks
  // of a small step: the next step reuses those pages instead of faulting in fresh ones.
  struct SSplit
  {
    int nbOldVertex = 0;
    int nbOldQuad = 0;
    std::unique_ptr<int[]> corners;  // vertex index of corner k
    std::unique_ptr<int[]> edges;    // vertex index of the point of edge k
    std::unique_ptr<int[]> across;   // 4 * (quad across edge k) + its edge there; -1 when none
    // The final position of every vertex, three floats by vertex index: the step computes
    // the new points here and makes each vertex once, when it links it, and the new quads'
    // normals read it instead of the vertices, which lie scattered over the mesh's memory.
    std::unique_ptr<float[]> positions;
    // The rooms of the face points (one per old quad) and of the edge points.
    CQuadMeshBlock<CQuadVertex3d>* facePoints = nullptr;
    CQuadMeshBlock<CQuadVertex3d>* edgePoints = nullptr;
    // True when the old vertices take their positions from the table as they are listed.
    bool movesOld = false;
    // False when the old mesh had a degenerate quad, an element listed twice or an adjacency
    // that does not pair its quads: the step then builds the adjacency from scratch.
    bool linkable = true;
  };

  void Generate(const float (*points)[3], int nbPoint, const int (*quads)[4], int nbQuad);
  int BuildAdjacencyByRules();
  SSplit BeginStep();
  template <class EdgePoint>
  void AddEdgePoints(SSplit& split, EdgePoint edgePoint);
  CQuadMeshBlock<CQuadVertex3d>* NewVertexBlock(int count);
  bool IndexVertices();
  static void SetPosition(SSplit& split, int index, const CVector3d& point);
  // Records quad i's corners and its face point.
  void AddFacePoint(SSplit& split, int i, const CVector3d& point);
  int FacePointQuad(const SSplit& split, const CQuad3d* quad) const;
  const float* FacePointOf(const SSplit& split, const CQuad3d* quad) const;
  CQuadVertex3d* MakePoint(const SSplit& split, CQuadMeshBlock<CQuadVertex3d>& block, int index);
  void MakeAllPoints(const SSplit& split);
  void CopyOldPositions(SSplit& split) const;
  CQuad3d* NewQuad(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2, CQuadVertex3d* v3);
  void SplitQuads(SSplit& split);
  void MakeAndListPoints(const SSplit& split, CQuadSplitLinker& linker);
  void FinishStep(const SSplit& split);
  void MoveOldVerticesCatmullClark(SSplit& split);

  CArray3d<CQuadVertex3d> m_ArrayVertex;
  CArray3d<CQuad3d> m_ArrayQuad;
  // The elements the subdivision steps created, a block per step; the arrays list them with
  // those handed in by AddVertex and AddQuad, which Free deletes one by one.
  std::vector<std::unique_ptr<CQuadMeshBlock<CQuadVertex3d>>> m_VertexBlocks;
  std::vector<std::unique_ptr<CQuadMeshBlock<CQuad3d>>> m_QuadBlocks;
  CMaterial m_Material;
  int m_ColorBinding = 1;
  int m_NormalBinding = 1;
  CTransform m_Transform;
  std::string m_Name = "QuadMesh";
  int m_UseSingleColor = 0;
  CColor m_Color{0, 0, 0};
  unsigned int m_ListOpenGL = 0;
  int m_ListDone = 0;
  int m_Modified = 1;
  int m_Show = 1;
};
