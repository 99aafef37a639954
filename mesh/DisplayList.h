#pragma once

// Display-list steps shared by the mesh and the drawable sets: each keeps a list name, a built flag and a
// modified flag, and compiles again only after a change.
namespace displaylist {

// Deletes the list when there is one.
void Delete(unsigned int* pList);

// Deletes the old list and opens a new one in compile-and-execute mode; 0 when no name is
// available.
int Begin(unsigned int* pList);

// Calls the list when it needs no compiling, else compiles (and so executes) it through the
// object's own BuildList: the set is drawn exactly once either way. 0 when nothing was drawn.
template <class T>
int DrawOnce(T* pObject, unsigned int list, int built, int modified);

int CallIfList(unsigned int list);

template <class T>
int DrawOnce(T* pObject, unsigned int list, int built, int modified)
{
  if (!built || modified)
    return pObject->BuildList();
  return CallIfList(list);
}

} // namespace displaylist
