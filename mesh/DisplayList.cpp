#include "mesh/DisplayList.h"

#include <GL/gl.h>

namespace displaylist {

void Delete(unsigned int* pList)
{
  if (*pList != 0 && glIsList(*pList))
    glDeleteLists(*pList, 1);
  *pList = 0;
}

int Begin(unsigned int* pList)
{
  Delete(pList);
  *pList = glGenLists(1);
  if (*pList == 0)
    return 0;
  glNewList(*pList, GL_COMPILE_AND_EXECUTE);
  return 1;
}

void End() { glEndList(); }

int CallIfList(unsigned int list)
{
  if (list == 0 || !glIsList(list))
    return 0;
  glCallList(list);
  return 1;
}

} // namespace displaylist
