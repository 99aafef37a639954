// The VRML 2.0 and Inventor files that the system writes, read by an independent reader: Coin3D,
// headless. Counts, coordinates, indices, transforms and the triangles it makes must be ours.
#include "SceneFileTestSupport.h"

#include "scene/StreamFile.h"

#include <Inventor/SbLinear.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoSeparator.h>

using namespace scene_test;

namespace {

// Coin's database, released when the tests end so that what it holds is not taken for a leak.
class CCoinDatabase : public ::testing::Environment
{
public:
  void SetUp() override { SoDB::init(); }
  void TearDown() override { SoDB::finish(); }
};
[[maybe_unused]] const auto* const s_pCoinDatabase =
    ::testing::AddGlobalTestEnvironment(new CCoinDatabase);

// A scene graph read by Coin, released with the object.
class CCoinScene
{
public:
  explicit CCoinScene(const std::string& path)
  {
    SoInput input;
    if (input.openFile(path.c_str()))
      m_pRoot = SoDB::readAll(&input);
    if (m_pRoot)
      m_pRoot->ref();
  }
  ~CCoinScene()
  {
    if (m_pRoot)
      m_pRoot->unref();
  }
  CCoinScene(const CCoinScene&) = delete;
  CCoinScene& operator=(const CCoinScene&) = delete;

  SoSeparator* Root() const { return m_pRoot; }

  // Every node of the type, in traversal order.
  template <class Node>
  std::vector<Node*> Find() const
  {
    std::vector<Node*> nodes;
    SoCallbackAction action;
    action.addPreCallback(Node::getClassTypeId(), &CCoinScene::OnNode<Node>, &nodes);
    action.apply(m_pRoot);
    return nodes;
  }

  // The corners of every triangle Coin makes, in object coordinates.
  std::vector<SbVec3f> Triangles() const
  {
    std::vector<SbVec3f> corners;
    SoCallbackAction action;
    action.addTriangleCallback(SoShape::getClassTypeId(), &CCoinScene::OnTriangle, &corners);
    action.apply(m_pRoot);
    return corners;
  }

private:
  template <class Node>
  static SoCallbackAction::Response OnNode(void* data, SoCallbackAction*, const SoNode* node)
  {
    static_cast<std::vector<Node*>*>(data)->push_back(const_cast<Node*>(static_cast<const Node*>(node)));
    return SoCallbackAction::CONTINUE;
  }

  static void OnTriangle(void* data, SoCallbackAction*, const SoPrimitiveVertex* a,
                         const SoPrimitiveVertex* b, const SoPrimitiveVertex* c)
  {
    auto* corners = static_cast<std::vector<SbVec3f>*>(data);
    corners->push_back(a->getPoint());
    corners->push_back(b->getPoint());
    corners->push_back(c->getPoint());
  }

  SoSeparator* m_pRoot = nullptr;
};

void ExpectSamePoints(const SoMFVec3f& points, const CMesh3d& mesh)
{
  ASSERT_EQ(points.getNum(), mesh.NbVertex());
  for (int i = 0; i < mesh.NbVertex(); i++)
    for (int axis = 0; axis < 3; axis++)
      EXPECT_NEAR(points[i][axis], mesh.GetVertex(i)->Get(axis), 1e-5) << "point " << i;
}

void ExpectSameFaces(const SoMFInt32& indices, const CMesh3d& mesh)
{
  ASSERT_EQ(indices.getNum(), 4 * mesh.NbFace());
  for (int i = 0; i < mesh.NbFace(); i++) {
    const std::array<int, 3> corners = Corners(mesh, i);
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(indices[4 * i + k], corners[static_cast<size_t>(k)]) << "face " << i;
    EXPECT_EQ(indices[4 * i + 3], -1);
  }
}

// The triangles Coin made from every mesh of the list, one after the other.
void ExpectSameTriangles(const std::vector<SbVec3f>& corners, const std::vector<const CMesh3d*>& meshes)
{
  size_t k = 0;
  for (const CMesh3d* mesh : meshes) {
    for (int i = 0; i < mesh->NbFace(); i++) {
      for (int c = 0; c < 3; c++, k++) {
        ASSERT_LT(k, corners.size());
        const CVertex3d* v = mesh->GetFace(i)->v(c);
        EXPECT_NEAR(corners[k][0], v->x(), 1e-5);
        EXPECT_NEAR(corners[k][1], v->y(), 1e-5);
        EXPECT_NEAR(corners[k][2], v->z(), 1e-5);
      }
    }
  }
  EXPECT_EQ(k, corners.size());
}

TEST(VrmlCoin, ReadsOurVrmlWithTheSameMeshesAndTransforms)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto first = Grid(6, 0.125f);
  first->GetTransform()->SetTranslation(CVector3d(1, -2, 3.5f));
  first->GetTransform()->SetRotation(CVector3d(0, 0, 1));
  first->GetTransform()->SetRotationAngle(45.0f);
  first->GetTransform()->SetScale(CVector3d(2, 2, 2));
  auto second = Grid(2, -1.0f);
  std::vector<const CMesh3d*> meshes{first.get(), second.get()};
  scene.Add(first.release());
  scene.Add(second.release());
  const std::string path = folder.File("scene.wrl");
  ASSERT_EQ(scene.SaveFileVrml(path.c_str()), 1);

  CCoinScene coin(path);
  ASSERT_NE(coin.Root(), nullptr);
  const auto faceSets = coin.Find<SoVRMLIndexedFaceSet>();
  const auto transforms = coin.Find<SoVRMLTransform>();
  ASSERT_EQ(faceSets.size(), 2u);
  ASSERT_EQ(transforms.size(), 2u);
  for (size_t i = 0; i < meshes.size(); i++) {
    const auto* coord = static_cast<const SoVRMLCoordinate*>(faceSets[i]->coord.getValue());
    ASSERT_NE(coord, nullptr);
    ExpectSamePoints(coord->point, *meshes[i]);
    ExpectSameFaces(faceSets[i]->coordIndex, *meshes[i]);
    EXPECT_TRUE(faceSets[i]->ccw.getValue());
  }

  const SbVec3f translation = transforms[0]->translation.getValue();
  EXPECT_FLOAT_EQ(translation[1], -2);
  EXPECT_FLOAT_EQ(translation[2], 3.5f);
  SbVec3f axis;
  float radians = 0;
  transforms[0]->rotation.getValue(axis, radians);
  EXPECT_NEAR(radians, 3.1415927 / 4, 1e-5);
  EXPECT_NEAR(axis[2], 1, 1e-6);
  EXPECT_FLOAT_EQ(transforms[0]->scale.getValue()[0], 2);
  EXPECT_FLOAT_EQ(transforms[1]->scale.getValue()[2], 1);

  const auto materials = coin.Find<SoVRMLMaterial>();
  ASSERT_EQ(materials.size(), 2u);
  EXPECT_EQ(materials[0]->diffuseColor.getValue(), SbColor(0, 0, 0));

  ExpectSameTriangles(coin.Triangles(), meshes);
}

TEST(VrmlCoin, ReadsOurInventorExport)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  auto mesh = Grid(5, 3.0f);
  auto empty = std::make_unique<CMesh3d>();
  CStreamFile file;
  const std::string path = folder.File("mesh0.iv");
  ASSERT_EQ(scene.WriteHeaderInventor(file, path.c_str()), 1);
  ASSERT_EQ(mesh->WriteInventor(file), 1);
  ASSERT_EQ(empty->WriteInventor(file), 1);
  ASSERT_EQ(file.Close(), 1);
  EXPECT_EQ(ReadText(path).rfind("#Inventor V2.1 ascii\n\n# Mesh : 36 vertices, 50 faces\nSeparator {\n", 0), 0u);

  CCoinScene coin(path);
  ASSERT_NE(coin.Root(), nullptr);
  const auto coordinates = coin.Find<SoCoordinate3>();
  const auto faceSets = coin.Find<SoIndexedFaceSet>();
  ASSERT_EQ(coordinates.size(), 2u);
  ASSERT_EQ(faceSets.size(), 2u);
  ExpectSamePoints(coordinates[0]->point, *mesh);
  ExpectSameFaces(faceSets[0]->coordIndex, *mesh);
  EXPECT_EQ(coordinates[1]->point.getNum(), 0);
  EXPECT_EQ(faceSets[1]->coordIndex.getNum(), 0);
  ExpectSameTriangles(coin.Triangles(), {mesh.get()});
}

} // namespace
