#include "app/MetafileExport.h"

#include "mesh/Mesh3d.h"
#include "platform/core/Clipboard.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MetafileWriter.h"

bool ExportMetafile(CMesh3d& mesh, const double* modelview, const double* projection,
                    const int* viewport, const CMetafileSettings& settings,
                    const std::string& fileName)
{
  platform::CMetafileWriter writer;
  writer.SetMapMode(platform::MM_TEXT);
  const std::uint32_t* colors = settings.m_Colors;
  if (settings.m_LineMode)
    mesh.DrawProjectedEdges(writer, modelview, projection, viewport, colors[1]);
  else
    mesh.DrawProjected(writer, modelview, projection, viewport, colors[1], colors[0], colors[4],
                       -1, colors[2], -3, colors[3], -2, &settings.m_Ramp,
                       std::uint8_t(settings.m_RampMode));
  if (!writer.Save(fileName)) {
    platform::MessageBox("Unable to create MetaFile", platform::MB_OK);
    return false;
  }
  platform::ClipboardSetMetafile(writer.Close());
  return true;
}
