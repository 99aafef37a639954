#include "mesh/DepthTree.h"

namespace {
const char* Bytes(const void* p)
{
  return static_cast<const char*>(p);
}
} // namespace

void CDepthTree::Init(const CProjectedFace3d* sample, const double* key, const CDepthTreeLinks* links)
{
  m_KeyPosition = Bytes(key) - Bytes(sample);
  m_LinkPosition = Bytes(links) - Bytes(sample);
  m_Root = -1;
  m_Cursor = -1;
  m_pCursorLinks = nullptr;
}

double CDepthTree::Key(const CProjectedFace3d* records, int i) const
{
  return *reinterpret_cast<const double*>(Bytes(records + i) + m_KeyPosition);
}

CDepthTreeLinks& CDepthTree::Links(CProjectedFace3d* records, int i) const
{
  char* record = reinterpret_cast<char*>(records + i);
  return *reinterpret_cast<CDepthTreeLinks*>(record + m_LinkPosition);
}

int CDepthTree::Balance(CProjectedFace3d* records, int i) const
{
  const int nibble = Links(records, i).state & 0x0f;
  return nibble >= 8 ? nibble - 16 : nibble;
}

void CDepthTree::SetBalance(CProjectedFace3d* records, int i, int balance) const
{
  std::uint8_t& state = Links(records, i).state;
  state = static_cast<std::uint8_t>((state & 0xf0) | (balance & 0x0f));
}

int CDepthTree::WalkState(CProjectedFace3d* records, int i) const
{
  return Links(records, i).state >> 4;
}

void CDepthTree::SetWalkState(CProjectedFace3d* records, int i, int walk) const
{
  std::uint8_t& state = Links(records, i).state;
  state = static_cast<std::uint8_t>((state & 0x0f) | (walk << 4));
}

int CDepthTree::Insert(CProjectedFace3d* records, int i)
{
  return InsertAt(records, &m_Root, -1, i);
}

// Recursion depth is the tree height, logarithmic in the number of records.
int CDepthTree::InsertAt(CProjectedFace3d* records, int* slot, int parent, int i)
{
  if (*slot == -1) {
    CDepthTreeLinks& links = Links(records, i);
    SetBalance(records, i, 0);
    links.parent = parent;
    links.left = links.right = -1;
    *slot = i;
    return 1;
  }
  const int node = *slot;
  CDepthTreeLinks& links = Links(records, node);
  if (Key(records, node) <= Key(records, i)) {
    if (!InsertAt(records, &links.right, node, i))
      return 0;
    switch (Balance(records, node)) {
    case 1: SetBalance(records, node, 0); return 0;
    case 0: SetBalance(records, node, -1); return 1;
    default: FixRightHeavy(records, slot); return 0;
    }
  }
  if (!InsertAt(records, &links.left, node, i))
    return 0;
  switch (Balance(records, node)) {
  case -1: SetBalance(records, node, 0); return 0;
  case 0: SetBalance(records, node, 1); return 1;
  default: FixLeftHeavy(records, slot); return 0;
  }
}

// Node a in *slot with right child b: b takes a's place, a becomes b's left child.
void CDepthTree::RotateLeft(CProjectedFace3d* records, int* slot)
{
  const int a = *slot;
  CDepthTreeLinks& la = Links(records, a);
  const int b = la.right;
  CDepthTreeLinks& lb = Links(records, b);
  la.right = lb.left;
  if (lb.left != -1)
    Links(records, lb.left).parent = a;
  lb.left = a;
  lb.parent = la.parent;
  la.parent = b;
  *slot = b;
}

void CDepthTree::RotateRight(CProjectedFace3d* records, int* slot)
{
  const int a = *slot;
  CDepthTreeLinks& la = Links(records, a);
  const int b = la.left;
  CDepthTreeLinks& lb = Links(records, b);
  la.left = lb.right;
  if (lb.right != -1)
    Links(records, lb.right).parent = a;
  lb.right = a;
  lb.parent = la.parent;
  la.parent = b;
  *slot = b;
}

// The node in *slot became two levels heavier on the right.
void CDepthTree::FixRightHeavy(CProjectedFace3d* records, int* slot)
{
  const int a = *slot;
  const int b = Links(records, a).right;
  if (Balance(records, b) != 1) {
    RotateLeft(records, slot);
    SetBalance(records, a, 0);
    SetBalance(records, b, 0);
    return;
  }
  const int c = Links(records, b).left;
  const int cBalance = Balance(records, c);
  RotateRight(records, &Links(records, a).right);
  RotateLeft(records, slot);
  SetBalance(records, a, cBalance == -1 ? 1 : 0);
  SetBalance(records, b, cBalance == 1 ? -1 : 0);
  SetBalance(records, c, 0);
}

void CDepthTree::FixLeftHeavy(CProjectedFace3d* records, int* slot)
{
  const int a = *slot;
  const int b = Links(records, a).left;
  if (Balance(records, b) != -1) {
    RotateRight(records, slot);
    SetBalance(records, a, 0);
    SetBalance(records, b, 0);
    return;
  }
  const int c = Links(records, b).right;
  const int cBalance = Balance(records, c);
  RotateLeft(records, &Links(records, a).left);
  RotateRight(records, slot);
  SetBalance(records, a, cBalance == 1 ? -1 : 0);
  SetBalance(records, b, cBalance == -1 ? 1 : 0);
  SetBalance(records, c, 0);
}

int CDepthTree::GetFirst(CProjectedFace3d* records)
{
  m_Cursor = m_Root;
  if (m_Cursor == -1) {
    m_pCursorLinks = nullptr;
    return -1;
  }
  SetWalkState(records, m_Cursor, 0);
  return GetNext(records);
}

int CDepthTree::GetNext(CProjectedFace3d* records)
{
  while (m_Cursor != -1) {
    m_pCursorLinks = &Links(records, m_Cursor);
    switch (WalkState(records, m_Cursor)) {
    case 0:
      SetWalkState(records, m_Cursor, 1);
      if (m_pCursorLinks->left != -1) {
        m_Cursor = m_pCursorLinks->left;
        SetWalkState(records, m_Cursor, 0);
      }
      break;
    case 1: {
      const int result = m_Cursor;
      SetWalkState(records, m_Cursor, 2);
      if (m_pCursorLinks->right != -1) {
        m_Cursor = m_pCursorLinks->right;
        SetWalkState(records, m_Cursor, 0);
      }
      return result;
    }
    default:
      m_Cursor = m_pCursorLinks->parent;
      break;
    }
  }
  m_pCursorLinks = nullptr;
  return -1;
}
