#include "compression/VertexTree.h"

#include "app/objects/VectorSet3d.h"
#include "compression/Quantizer.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

void CVertexTree::MakeDelta(int unmake)
{
  for (int r = 0; r < NbRun(); r++) {
    const CVertexRun* pRun = GetRun(r);
    const int n = pRun->NbVertex();
    for (int axis = 0; axis < 3; axis++) {
      if (unmake) {
        for (int i = 1; i < n; i++)
          pRun->GetVertex(i)->Set(axis, pRun->GetVertex(i)->Get(axis) + pRun->GetVertex(i - 1)->Get(axis));
      } else {
        for (int i = n - 1; i >= 1; i--)
          pRun->GetVertex(i)->Set(axis, pRun->GetVertex(i)->Get(axis) - pRun->GetVertex(i - 1)->Get(axis));
      }
    }
  }
}

template <class Fn>
void CVertexTree::ForEachAxisBuffer(int skipRoot, Fn quantize)
{
  std::vector<float> buffer;
  for (int r = 0; r < NbRun(); r++) {
    const CVertexRun* pRun = GetRun(r);
    const int from = skipRoot ? 1 : 0;
    const int n = pRun->NbVertex() - from;
    if (n <= 0)
      continue;
    for (int axis = 0; axis < 3; axis++) {
      buffer.resize(static_cast<size_t>(n));
      for (int i = 0; i < n; i++)
        buffer[static_cast<size_t>(i)] = pRun->GetVertex(from + i)->Get(axis);
      if (!quantize(buffer.data(), n))
        continue;
      for (int i = 0; i < n; i++)
        pRun->GetVertex(from + i)->Set(axis, buffer[static_cast<size_t>(i)]);
    }
  }
}

void CVertexTree::Quantize(int bits, int touchRoot)
{
  ForEachAxisBuffer(touchRoot ? 0 : 1, [bits](float* values, int n) {
    return CQuantizer::Quantize(bits, values, n);
  });
}

void CVertexTree::QuantizeDelta(int bits)
{
  ForEachAxisBuffer(0, [bits](float* values, int n) {
    return CQuantizer::QuantizeDelta(bits, values, n);
  });
}

int CVertexTree::BuildExcursion(const char* fileName, int delta) const
{
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName, "wt"),
                                                             &std::fclose);
  if (!file) {
    platform::MessageBox("Unable to open file for writing");
    return 0;
  }
  int k = 1;
  for (int r = 0; r < NbRun(); r++) {
    const CVertexRun* pRun = GetRun(r);
    CVertex3d barycenter;
    Barycenter(pRun->GetArrayVertex(), &barycenter);
    for (int j = 0; j < pRun->NbVertex(); j++, k++) {
      const CVertex3d* v = pRun->GetVertex(j);
      if (!delta) {
        platform::PrintFile(file.get(), "%d\t%g\n", k, Distance(v, &barycenter));
      } else if (j == 0) {
        platform::PrintFile(file.get(), "%d\t0\troot\n", k);
      } else {
        const double length = std::sqrt(static_cast<double>(v->x()) * v->x() +
                                        static_cast<double>(v->y()) * v->y() +
                                        static_cast<double>(v->z()) * v->z());
        platform::PrintFile(file.get(), "%d\t%g\n", k, length);
      }
    }
  }
  return std::ferror(file.get()) ? 0 : 1;
}

CVectorSet3d* CVertexTree::ShowDelta(int fromOrigin) const
{
  auto pSet = std::make_unique<CVectorSet3d>();
  for (int r = 0; r < NbRun(); r++) {
    const CVertexRun* pRun = GetRun(r);
    for (int j = 1; j < pRun->NbVertex(); j++) {
      auto* pStart = fromOrigin ? new CVertex3d() : new CVertex3d(pRun->GetRoot());
      pSet->AddVector(pStart, new CVertex3d(pRun->GetVertex(j)));
    }
  }
  return pSet.release();
}

void CVertexTree::Dump() const
{
  platform::Trace("vertex tree: %d runs\n", NbRun());
  for (int r = 0; r < NbRun(); r++) {
    const CVertexRun* pRun = GetRun(r);
    platform::Trace("  run %d: %d vertices\n", r, pRun->NbVertex());
    for (int j = 0; j < pRun->NbVertex(); j++) {
      const CVertex3d* v = pRun->GetVertex(j);
      platform::Trace("    %g %g %g\n", v->x(), v->y(), v->z());
    }
  }
}
