// Writes the seed corpus of every harness with the project's own writers and encoders:
// make_corpus FOLDER gives FOLDER/<harness>/<seed>. A harness whose first byte picks a reader
// gets that byte in front of the file.
#include "coding/OBitFile.h"
#include "coding/RangeEncoder.h"
#include "coding/StackRun.h"
#include "compression/PolygonGateCoder.h"
#include "compression/PositionEncoder.h"
#include "compression/ProgressiveCoder.h"
#include "compression/QuadGateCoder.h"
#include "compression/StructureCoder.h"
#include "compression/TriangleGateCoder.h"
#include "compression/VertexRun.h"
#include "compression/VertexTree.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "scene/DIB.h"
#include "scene/DIBPalette.h"
#include "scene/Image2d.h"
#include "scene/JpegFile.h"
#include "scene/SceneGraph3d.h"
#include "scene/Texture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Moves a file that a writer made in the current folder into the harness's folder, after an
// optional selector byte.
void Keep(const fs::path& root, const std::string& harness, const std::string& written,
          const std::string& seed, int selector = -1)
{
  if (!fs::exists(written)) {
    std::cerr << "make_corpus: " << harness << "/" << seed << " was not written\n";
    return;
  }
  Bytes bytes = ReadAll(written);
  if (selector >= 0)
    bytes.insert(bytes.begin(), std::uint8_t(selector));
  fs::create_directories(root / harness);
  std::ofstream(root / harness / seed, std::ios::binary)
    .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  fs::remove(written);
}

void KeepText(const fs::path& root, const std::string& harness, const std::string& text,
              const std::string& seed, int selector)
{
  std::ofstream("text.tmp", std::ios::binary) << text;
  Keep(root, harness, "text.tmp", seed, selector);
}

// A closed box, refined so that the coders have layers and splits to code, and an open grid.
std::vector<std::unique_ptr<CMesh3d>> Meshes()
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  auto box = std::make_unique<CMesh3d>();
  box->GenerateBox(1.0f, 2.0f, 3.0f);
  box->Rebuild();
  box->SubdivisionLoop();
  box->SubdivisionLoop();
  box->Rebuild();
  meshes.push_back(std::move(box));
  auto grid = std::make_unique<CMesh3d>();
  grid->GeneratePeaks(6, 5, -1.0f, 1.0f);
  grid->Rebuild();
  meshes.push_back(std::move(grid));
  return meshes;
}

// The text mesh formats, written from a mesh's vertices and faces.
std::string TextMesh(const CMesh3d& mesh, int format)
{
  const int nV = mesh.NbVertex();
  const int nF = mesh.NbFace();
  auto index = [&](const CFace3d* f, int c) { return mesh.GetArrayVertex()->IndexFrom(f->v(c)); };
  std::string text;
  if (format == 1)
    text += platform::Format("%d %d\n", nV, nF);
  if (format == 2)
    text += platform::Format("vertex %d\nface %d\nheader\n", nV, nF);
  if (format == 3 || format == 4)
    text += platform::Format("vertices: %d\nfaces: %d\n", nV, nF);
  for (int i = 0; i < nV; i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    static const char* const kVertex[] = {"v %g %g %g\n", "%g %g %g\n", "%d %g %g %g\n",
                                          "v %g %g %g\nnormal\n", "Vertex %d %g %g %g\n", "v %g %g %g\n"};
    if (format == 2 || format == 4)
      text += platform::Format(kVertex[format], i + 1, v->x(), v->y(), v->z());
    else
      text += platform::Format(kVertex[format], v->x(), v->y(), v->z());
  }
  if (format == 0)
    text += "c 1 0.5 0\n";
  if (format == 2)
    text += "faces\nbegin\n";
  const int base = format == 1 ? 0 : 1;
  for (int i = 0; i < nF; i++) {
    const CFace3d* f = mesh.GetFace(i);
    const int a = index(f, 0) + base, b = index(f, 1) + base, c = index(f, 2) + base;
    if (format == 2)
      text += platform::Format("%d %d %d %d\n", i + 1, a, b, c);
    else if (format == 4)
      text += platform::Format("Face %d %d %d %d\n", i + 1, a, b, c);
    else if (format == 1)
      text += platform::Format("%d %d %d\n", a, b, c);
    else
      text += platform::Format("f %d %d %d\n", a, b, c);
    if (format == 3)
      text += "c ff 80 0\n";
  }
  if (format == 2)
    text += "end\n";
  return text;
}

void MeshFiles(const fs::path& root, const CMesh3d& mesh, int k)
{
  for (int format = 0; format < 6; format++)
    KeepText(root, "mesh_text", TextMesh(mesh, format), platform::Format("mesh%d-%d", k, format), format);
  {
    COBitFile file("mesh.bin");
    auto signedInt = [&](int value) {
      file.PutBit(value < 0 ? 1 : 0);
      file.WriteBits(std::uint32_t(value < 0 ? -value : value), 32);
    };
    signedInt(mesh.NbVertex());
    signedInt(mesh.NbFace());
    for (int i = 0; i < mesh.NbVertex(); i++)
      for (int axis = 0; axis < 3; axis++) {
        const double value = mesh.GetVertex(i)->Get(axis);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        file.WriteBits(std::uint32_t(bits), 32);
        file.WriteBits(std::uint32_t(bits >> 32), 32);
      }
    for (int i = 0; i < mesh.NbFace(); i++)
      for (int c = 2; c >= 0; c--)
        signedInt(mesh.GetArrayVertex()->IndexFrom(mesh.GetFace(i)->v(c)));
    file.Flush(0);
  }
  Keep(root, "mesh_bin", "mesh.bin", platform::Format("mesh%d", k));
}

void SceneFiles(const fs::path& root, std::vector<std::unique_ptr<CMesh3d>>& meshes)
{
  CSceneGraph3d scene;
  for (auto& mesh : meshes) {
    auto copy = std::make_unique<CMesh3d>();
    copy->Copy(mesh.get());
    scene.Add(copy.release());
  }
  scene.SaveFileVrml("scene.wrl");
  Keep(root, "vrml", "scene.wrl", "scene");
}

// An OBJ of a grid of quads with one row cut into triangles: a polygon mesh of mixed degrees.
std::string PolygonObj()
{
  std::string text;
  const int n = 5;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++)
      text += platform::Format("v %d %d %g\n", x, y, 0.1 * ((x * 7 + y * 3) % 5));
  for (int y = 0; y + 1 < n; y++)
    for (int x = 0; x + 1 < n; x++) {
      const int a = y * n + x + 1, b = a + 1, c = a + n + 1, d = a + n;
      if (y == 1)
        text += platform::Format("f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
      else
        text += platform::Format("f %d %d %d %d\n", a, b, c, d);
    }
  return text;
}

void PolygonFiles(const fs::path& root)
{
  const std::string obj = PolygonObj();
  KeepText(root, "polygon_mesh", obj, "grid-obj", 0);
  CQuadMesh3d quads;
  quads.GenerateBox();
  quads.WriteBinary("box.quad");
  Keep(root, "polygon_mesh", "box.quad", "box-quad", 1);

  std::ofstream("grid.obj") << obj;
  CPolygonMesh3d polygons;
  if (polygons.ReadFileOBJ("grid.obj")) {
    polygons.Rebuild();
    CPolygonGateCoder coder;
    for (int order = 0; order < 2; order++) {
      coder.Encode(&polygons, "polygon.bin", 0, order, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr);
      Keep(root, "gate", "polygon.bin", platform::Format("polygon-order%d", order), 3);
    }
  }
  fs::remove("grid.obj");
  CQuadGateCoder quadCoder;
  quadCoder.Encode(&quads, "quad.bin", 0, 0, nullptr, 1, 0, 0, 0);
  Keep(root, "gate", "quad.bin", "quad-box", 2);
  CQuadMesh3d mushroom;
  mushroom.GenerateMushroom();
  quadCoder.Encode(&mushroom, "quad.bin", 0, 0, nullptr, 1, 0, 0, 0);
  Keep(root, "gate", "quad.bin", "quad-mushroom", 2);
}

void CoderFiles(const fs::path& root, std::vector<std::unique_ptr<CMesh3d>>& meshes)
{
  for (size_t k = 0; k < meshes.size(); k++) {
    CMesh3d& mesh = *meshes[k];
    for (int order = 0; order < 3; order += 2) {
      CTriangleGateCoder coder;
      coder.Encode(&mesh, "triangle.bin", order, 0, 1, 0, nullptr, 1, 0, 0, 0);
      Keep(root, "gate", "triangle.bin", platform::Format("triangle%d-order%d", int(k), order), 0);
      Keep(root, "gate", "packed.bin", platform::Format("triangle%d-order%d-packed", int(k), order), 1);
    }
    CStructureCoder structure;
    CVertexTree tree;
    CStructureCoder::SResult report;
    structure.Encode(&mesh, "topology.bin", &tree, 0, CStructureCoder::SOptions(), &report);
    Keep(root, "structure", "topology.bin", platform::Format("mesh%d", int(k)));

    CVertexRun run;
    mesh.CopyVerticesTo(&run);
    CPositionEncoder position;
    position.Encode("positions.bin", nullptr, &run, 10, 4, 10, nullptr, 0, &mesh);
    Keep(root, "position", "positions.bin", platform::Format("mesh%d", int(k)), 2);
  }
  auto copy = std::make_unique<CMesh3d>();
  copy->Copy(meshes[0].get());
  copy->Rebuild();
  CProgressiveCoder progressive;
  progressive.Encode(copy.get(), 12, 10, "mesh.vpm", 0, 0, 1, 0, 0, 0.0, 0, 0, nullptr, 1, 0, 0,
                     [](int) { return 1; }, 0, nullptr, 0);
  Keep(root, "progressive", "mesh.vpm", "box");
}

void BitFiles(const fs::path& root)
{
  std::vector<int> values;
  for (int i = 0; i < 200; i++)
    values.push_back(int(40 * std::sin(i * 0.3)) * (i % 7 == 0 ? 0 : 1));
  CStackRun().EncodeToFile(values.data(), int(values.size()), 0, "stackrun.bin");
  Bytes stackRun = ReadAll("stackrun.bin");
  stackRun.insert(stackRun.begin(), 0);  // the alphabet byte, not used by this decoder
  std::ofstream("stackrun.bin", std::ios::binary)
    .write(reinterpret_cast<const char*>(stackRun.data()), std::streamsize(stackRun.size()));
  Keep(root, "bitfile", "stackrun.bin", "stackrun", 3);
  for (std::uint32_t order = 0; order < 3; order++) {
    {
      COBitFile file("range.bin");
      CRangeEncoder encoder(16);
      encoder.StartOrderK(order);
      for (int i = 0; i < 300; i++)
        encoder.EncodeOrderK(std::uint32_t((i * i + i / 3) % 16), &file);
      encoder.DoneOrderK(&file);
      file.Flush(0);
    }
    Bytes bytes = ReadAll("range.bin");
    bytes.insert(bytes.begin(), 15);  // 16 symbols
    std::ofstream("range.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    Keep(root, "bitfile", "range.bin", platform::Format("range-order%d", int(order)), int(order));
  }
}

// A small picture with some texture, as grey levels and as BGR bytes.
std::uint8_t Level(unsigned x, unsigned y)
{
  return std::uint8_t((x * 13 + y * 7 + x * y) & 0xff);
}

void ImageFiles(const fs::path& root)
{
  const unsigned w = 19, h = 11;
  CImage2d image{int(w), int(h)};
  for (unsigned y = 0; y < h; y++)
    for (unsigned x = 0; x < w; x++)
      image.SetPixel(int(x), int(y), Level(x, y));
  static const char* const kSuffixes[] = {".pgm", ".inr", ".bmp"};
  for (int type = 0; type < 3; type++) {
    const std::string name = std::string("image") + kSuffixes[type];
    image.Savefile(name.c_str());
    Keep(root, "image2d", name, name.substr(6), type);
  }
  Bytes lgn = {std::uint8_t(w), 0, std::uint8_t(h), 0};
  for (unsigned i = 0; i < w * h; i++)
    lgn.push_back(Level(i % w, i / w));
  std::ofstream("image.lgn", std::ios::binary).write(reinterpret_cast<const char*>(lgn.data()), std::streamsize(lgn.size()));
  Keep(root, "image2d", "image.lgn", "lgn", 3);

  std::vector<std::uint8_t> rgb;
  for (unsigned y = 0; y < h; y++)
    for (unsigned x = 0; x < w; x++)
      rgb.insert(rgb.end(), {Level(x, y), Level(y, x), std::uint8_t(x * 9)});
  CTexture texture;
  texture.ReadBuffer(rgb.data(), w, h, 24);
  const Bytes sizes = {std::uint8_t(w - 1), std::uint8_t(h - 1)};
  texture.SaveFile("texture.bmp");
  const Bytes bmp = ReadAll("texture.bmp");
  Keep(root, "texture", "texture.bmp", "bmp", 0);
  texture.SaveFile("texture.raw");
  Bytes raw = ReadAll("texture.raw");
  raw.insert(raw.begin(), sizes.begin(), sizes.end());
  raw.insert(raw.begin(), 2);
  std::ofstream(root / "texture" / "raw", std::ios::binary)
    .write(reinterpret_cast<const char*>(raw.data()), std::streamsize(raw.size()));
  fs::remove("texture.raw");
  JpegFile::WriteFromRgb("texture.jpg", rgb.data(), w, h, 1, 75);
  Keep(root, "texture", "texture.jpg", "jpg", 1);
  // Headers of the other seeds carry two size bytes the harness reads before the file.
  for (const char* seed : {"bmp", "jpg"}) {
    Bytes bytes = ReadAll(root / "texture" / seed);
    bytes.insert(bytes.begin() + 1, sizes.begin(), sizes.end());
    std::ofstream(root / "texture" / seed, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  Bytes resource = {4, 0, 0};
  resource.insert(resource.end(), bmp.begin(), bmp.end());
  std::ofstream(root / "texture" / "resource", std::ios::binary)
    .write(reinterpret_cast<const char*>(resource.data()), std::streamsize(resource.size()));
  // SGI: a verbatim 8-bit RGB header, then the red, green and blue planes.
  Bytes sgi(512, 0);
  sgi[0] = 474 >> 8; sgi[1] = 474 & 0xff; sgi[3] = 1; sgi[5] = 3;
  sgi[7] = std::uint8_t(w); sgi[9] = std::uint8_t(h); sgi[11] = 3;
  for (int k = 0; k < 3; k++)
    for (unsigned i = 0; i < w * h; i++)
      sgi.push_back(rgb[3 * i + unsigned(k)]);
  sgi.insert(sgi.begin(), {3, 0, 0});
  std::ofstream(root / "texture" / "rgb", std::ios::binary)
    .write(reinterpret_cast<const char*>(sgi.data()), std::streamsize(sgi.size()));

  CDIB dib;
  dib.Create(int(w), int(h));
  for (unsigned y = 0; y < h; y++)
    for (unsigned x = 0; x < w; x++)
      *dib.GetPixelAddress(int(x), int(y)) = Level(x, y);
  dib.Save(std::string("image.dib"));
  const Bytes dibBytes = ReadAll("image.dib");
  Keep(root, "dib", "image.dib", "dib", 0);
  Bytes memory = dibBytes;
  memory.insert(memory.begin(), 2);
  std::ofstream(root / "dib" / "memory", std::ios::binary)
    .write(reinterpret_cast<const char*>(memory.data()), std::streamsize(memory.size()));
  CDIBPalette palette;
  palette.Create(dib);
  if (std::FILE* file = std::fopen("image.pal", "wb")) {
    palette.Save(file);
    std::fclose(file);
  }
  Keep(root, "dib", "image.pal", "palette", 1);
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::cerr << "usage: make_corpus FOLDER\n";
    return 2;
  }
  platform::SetMessageSink([](const std::string& text, int) {
    std::cerr << "make_corpus: " << text << "\n";
    return 1;
  });
  const fs::path root = fs::absolute(argv[1]);
  fs::create_directories(root);
  const fs::path scratch = root / ".scratch";
  fs::create_directories(scratch);
  fs::current_path(scratch);
  auto meshes = Meshes();
  for (size_t k = 0; k < meshes.size(); k++)
    MeshFiles(root, *meshes[k], int(k));
  SceneFiles(root, meshes);
  PolygonFiles(root);
  CoderFiles(root, meshes);
  BitFiles(root);
  ImageFiles(root);
  fs::current_path(root);
  fs::remove_all(scratch);
  return 0;
}
