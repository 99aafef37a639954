#pragma once

// Display-list steps shared by the three mesh kinds and the drawable sets: each keeps a list
// name, a built flag and a modified flag, and compiles again only after a change.
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

// Closes the list that Begin opened.
void End();

// Compiles (and so executes) the object's immediate-mode drawing into a new list; 0 when no
// name is available.
template <class T>
int Compile(const T* pObject, unsigned int* pList);

template <class T>
int DrawOnce(T* pObject, unsigned int list, int built, int modified)
{
  if (!built || modified)
    return pObject->BuildList();
  return CallIfList(list);
}

template <class T>
int Compile(const T* pObject, unsigned int* pList)
{
  if (!Begin(pList))
    return 0;
  pObject->DrawImmediate();
  End();
  return 1;
}

} // namespace displaylist
