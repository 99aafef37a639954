#pragma once

#include "mesh/Array3d.h"

class CTilingNode;

// A tile of a surface tiling: its nodes in cyclic order. Owned by the tiling's tile array.
class CTile
{
public:
  CTile() = default;
  virtual ~CTile() = default;

  CTile(const CTile&) = delete;
  CTile& operator=(const CTile&) = delete;

  int NbNode() const { return m_ArrayNode.GetSize(); }
  CTilingNode* GetNode(int i) const { return m_ArrayNode[i]; }
  int HasNode(const CTilingNode* pNode) const { return m_ArrayNode.Contains(pNode); }
  void AddNode(CTilingNode* pNode) { m_ArrayNode.Add(pNode); }

  int GetMarker() const { return m_Marker; }
  void SetMarker(int marker) { m_Marker = marker; }

  // 1 when each node is a neighbour of the next one, cyclically.
  int IsValid() const;
  // Same number of nodes, each node of one in the other, in any order.
  int IsEqual(const CTile* pTile) const;
  // Compacity of the triangle on the positions of nodes a, b and c; 0 when one is missing.
  double Compacity(int a, int b, int c) const;
  // Compacity of the triangle on the first three nodes.
  double Compacity() const { return Compacity(0, 1, 2); }

private:
  CArray3d<CTilingNode> m_ArrayNode;
  int m_Marker = 0;
};
