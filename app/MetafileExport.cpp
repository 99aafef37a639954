#include "app/MetafileExport.h"

#include "mesh/Mesh3d.h"
#include "platform/core/Clipboard.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MetafileWriter.h"
#include "scene/Texture.h"

namespace {
// Twenty metafile pixels a texel: the map of a 256-texel texture is some 5000 pixels wide.
constexpr float kRequestMapScale = 20.0f;
} // namespace

bool WriteMetafile(int mapMode, const std::function<void(platform::CDeviceContext&)>& draw,
                   const std::string& fileName)
{
  platform::CMetafileWriter writer;
  writer.SetMapMode(mapMode);
  draw(writer);
  if (!writer.Save(fileName)) {
    platform::MessageBox("Unable to create MetaFile", platform::MB_OK);
    return false;
  }
  if (!platform::ClipboardSetMetafile(writer.Close())) {
    platform::MessageBox("Unable to open the clipboard", platform::MB_OK);
    return false;
  }
  return true;
}

bool ExportMetafile(CMesh3d& mesh, const double* modelview, const double* projection,
                    const int* viewport, const CMetafileSettings& settings,
                    const CTexture* pTexture, const std::string& fileName)
{
  const std::uint32_t* colors = settings.m_Colors;
  return WriteMetafile(
    METAFILE_MM_TEXT,
    [&](platform::CDeviceContext& dc) {
      if (settings.m_TextureMapMode) {
        if (pTexture)
          mesh.DrawCameraRequestMap(dc, colors[1], colors[4], -1, &settings.m_Ramp,
                                    static_cast<int>(pTexture->GetWidth()),
                                    static_cast<int>(pTexture->GetHeight()), kRequestMapScale, 0,
                                    0, 0, 1);
        return;
      }
      if (settings.m_LineMode) {
        mesh.DrawProjectedEdges(dc, modelview, projection, viewport, colors[1]);
        return;
      }
      mesh.DrawProjected(dc, modelview, projection, viewport, colors[1], colors[0], colors[4], -1,
                         colors[2], -3, colors[3], -2, &settings.m_Ramp,
                         std::uint8_t(settings.m_RampMode));
    },
    fileName);
}
