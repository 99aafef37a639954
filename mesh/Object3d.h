#pragma once

// Scene-object type ids, the result of GetType; commands dispatch on them.
enum : int {
  TYPE_OBJECT3D = 0,  // also the vertex set, the hash table and the coder objects
  TYPE_QUAD3D = 1,
  TYPE_VERTEX3D = 2,
  TYPE_QUADVERTEX3D = 3,
  TYPE_POLYGONVERTEX3D = 4,
  TYPE_VECTOR3D = 5,
  TYPE_FACE3D = 6,
  TYPE_POLYGON3D = 7,
  TYPE_MESH3D = 8,
  TYPE_TILING3D = 9,
  TYPE_QUADMESH3D = 10,
  TYPE_POLYGONMESH3D = 11,
  TYPE_EDGE3D = 12,
  TYPE_VECTORSET3D = 13,
  TYPE_CAMERA3D = 14,
  TYPE_VISUALMODE = 15
};

// Base of every drawable or storable object of the scene graph.
class CObject3d
{
public:
  CObject3d() = default;
  virtual ~CObject3d() = default;

  virtual int GetType() const { return TYPE_OBJECT3D; }
  // Compiles the object's display list; 1 on success.
  virtual int BuildList() { return 1; }
  // Draws the object; 1 when something was drawn.
  virtual int Draw() { return 1; }
  // Marks the object changed so that its display list is compiled again.
  virtual void SetModified(int /*flag*/ = 1) {}
  virtual void Show(unsigned char /*flag*/) {}

protected:
  CObject3d(const CObject3d&) = default;
  CObject3d& operator=(const CObject3d&) = default;
};
