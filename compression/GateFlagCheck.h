#pragma once

#include "compression/GateFaceTraits.h"
#include "mesh/Array3d.h"

#include <utility>
#include <vector>

// The hooks of gate::IsCodableWith for a check run on its own: each face looked for in its
// corners' face lists, and the corners met marked by vertex flags, which are restored when
// the check ends.
template <class Face>
class CGateFlagCheck
{
public:
  using T = CGateFaceTraits<Face>;
  using V = typename T::Vertex;

  explicit CGateFlagCheck(const CArray3d<Face>& faces)
  {
    for (int f = 0; f < faces.GetSize(); f++)
      for (int i = 0; faces[f] && i < T::Degree(faces[f]); i++) {
        V* corner = T::Corner(faces[f], i);
        if (!corner)
          continue;
        m_Saved.emplace_back(corner, corner->GetFlag());
        corner->SetFlag(0);
      }
  }
  ~CGateFlagCheck()
  {
    // Backwards, so that a corner met twice gets its first value back.
    for (auto it = m_Saved.rbegin(); it != m_Saved.rend(); ++it)
      it->first->SetFlag(it->second);
  }
  CGateFlagCheck(const CGateFlagCheck&) = delete;
  CGateFlagCheck& operator=(const CGateFlagCheck&) = delete;

  int Listed(const V* v, const Face* f) const
  {
    for (int k = 0; k < T::NbIncident(v); k++)
      if (T::Incident(v, k) == f)
        return 1;
    return 0;
  }
  int FirstVisit(V* v) const
  {
    if (v->GetFlag() != 0)
      return 0;
    v->SetFlag(1);
    return 1;
  }
  int Entry(const Face*) const { return 1; }

private:
  std::vector<std::pair<V*, int>> m_Saved;
};
