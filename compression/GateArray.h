#pragma once

#include "mesh/Array3d.h"

// The active gates of a gate coder, oldest first. The list owns its gates: a processed gate
// is deleted as it leaves, the later ones moving up.
template <class Gate>
class CGateArray
{
public:
  CGateArray() = default;
  virtual ~CGateArray() { m_Array.DeleteAll(); }

  CGateArray(const CGateArray&) = delete;
  CGateArray& operator=(const CGateArray&) = delete;

  int GetSize() const { return m_Array.GetSize(); }
  Gate* GetAt(int i) const { return m_Array[i]; }
  const CArray3d<Gate>& GetArray() const { return m_Array; }
  // Takes ownership.
  void Add(Gate* gate) { m_Array.Add(gate); }
  void RemoveAt(int i)
  {
    delete m_Array[i];
    m_Array.RemoveAt(i);
  }
  void RemoveAll() { m_Array.DeleteAll(); }

private:
  CArray3d<Gate> m_Array;
};
