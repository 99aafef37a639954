#pragma once

#include "mesh/ElementPool.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

class CVertex3d;

// One undo record of a face or vertex history. The element's history owns it once pushed and
// chains it to the record pushed before it, so that a history costs no storage of its own.
//   1: a face's corner slot was replaced (slot index, previous vertex)
//   2: the face was created (undo empties its corners)
//   3: a vertex moved (previous x, y, z)
//   4: the vertex was created (undo does nothing)
// A creation carries nothing but its type and is always the first record of its element, so
// one shared record of each creation type (Created) can stand for all of them: a mesh step
// makes one per new vertex and face. A history never writes to a shared record nor frees it.
class CHistoryAction final
{
  friend class CHistory;

public:
  enum : std::uint8_t {
    TYPE_VERTEX_SLOT = 1,
    TYPE_FACE_CREATED = 2,
    TYPE_VERTEX_MOVED = 3,
    TYPE_VERTEX_CREATED = 4
  };

  explicit CHistoryAction(std::uint8_t type) : m_Type(type) {}
  CHistoryAction(std::uint8_t type, std::uint8_t slot, CVertex3d* pVertex)
    : m_Type(type), m_Slot(slot)
  {
    std::memcpy(m_Value, &pVertex, sizeof pVertex);
  }
  CHistoryAction(std::uint8_t type, float x, float y, float z)
    : m_Value{x, y, z}, m_Type(type), m_HasPosition(true)
  {
  }

  // The shared record of a creation type (TYPE_FACE_CREATED or TYPE_VERTEX_CREATED).
  static CHistoryAction* Created(std::uint8_t type);
  bool IsShared() const { return m_Shared; }

  // Destroys the record and frees its memory to the heap or to its mesh's pool
  // (mesh/ElementPool.h), whichever it came from.
  void operator delete(CHistoryAction* p, std::destroying_delete_t)
  {
    CElementPool<CHistoryAction>::Delete(p);
  }

  std::uint8_t GetType() const { return m_Type; }
  std::uint8_t GetSlot() const { return m_Slot; }
  float GetX() const { return GetPosition()[0]; }
  float GetY() const { return GetPosition()[1]; }
  float GetZ() const { return GetPosition()[2]; }
  // The origin for a record made without a position.
  const float* GetPosition() const { return m_HasPosition ? m_Value : kOrigin; }
  // Null for a record made without a vertex.
  CVertex3d* GetVertex() const
  {
    CVertex3d* pVertex = nullptr;
    if (!m_HasPosition)
      std::memcpy(&pVertex, m_Value, sizeof pVertex);
    return pVertex;
  }

private:
  friend class CElementPool<CHistoryAction>;

  struct SShared
  {
  };
  // Alone in the histories that hold it: depth 1, nothing below.
  constexpr CHistoryAction(std::uint8_t type, SShared) : m_Depth(1), m_Type(type), m_Shared(true)
  {
  }

  static constexpr float kOrigin[3] = {0.0f, 0.0f, 0.0f};

  // A record holds a position or a vertex's address (its bytes), never both: 32 bytes in all,
  // as a mesh step makes several records per face.
  CHistoryAction* m_pBelow = nullptr;
  float m_Value[3] = {0.0f, 0.0f, 0.0f};
  int m_Depth = 0;               // this record and those below it, while in a history
  std::uint32_t m_PoolSlot = 0;  // in its mesh's pool; 0 for a record made with new
  std::uint8_t m_Type = 0;
  std::uint8_t m_Slot = 0;
  bool m_HasPosition = false;
  bool m_Shared = false;
};

static_assert(sizeof(CHistoryAction) <= 32, "several records per face in a mesh step");
static_assert(alignof(CHistoryAction) >= 4, "a vertex keeps its history's top in a tagged word");
static_assert(std::is_trivially_destructible_v<CHistoryAction>,
              "the shared records stay readable until the last element goes");

inline CHistoryAction* CHistoryAction::Created(std::uint8_t type)
{
  static constinit CHistoryAction s_Face(TYPE_FACE_CREATED, SShared{});
  static constinit CHistoryAction s_Vertex(TYPE_VERTEX_CREATED, SShared{});
  return type == TYPE_VERTEX_CREATED ? &s_Vertex : &s_Face;
}
