#include "app/resources/ButtonBar.h"

#include "app/resources/Resource.h"

using namespace platform;

// The images are taken in order, one per button: the second About button finds none left.
const std::vector<SButtonBarEntry>& GetStandardButtonBar()
{
  static const std::vector<SButtonBarEntry> bar = {
    {ID_FILE_NEW, IDB_FILE_NEW},
    {ID_FILE_OPEN, IDB_FILE_OPEN},
    {ID_FILE_SAVE, IDB_FILE_SAVE},
    {0, 0},
    {ID_MODE_LIGHT, IDB_MODE_LIGHT},
    {ID_MODE_FLAT, IDB_MODE_FLAT},
    {ID_MODE_LINE, IDB_MODE_LINE},
    {ID_MODE_GOURAUD, IDB_MODE_GOURAUD},
    {ID_MATERIAL_BRASS, IDB_MATERIAL_BRASS},
    {ID_MATERIAL_PEWTER, IDB_MATERIAL_PEWTER},
    {ID_MATERIAL_LIGHT_BLUE, IDB_MATERIAL_LIGHT_BLUE},
    {0, 0},
    {ID_SUBDIVISION_SIMPLE, IDB_SUBDIVISION_SIMPLE},
    {ID_SUBDIVISION_LOOP, IDB_SUBDIVISION_LOOP},
    {ID_COLOR_CURVATURE, IDB_COLOR_CURVATURE},
    {0, 0},
    {ID_VALENCE_PARAMETERS, IDB_VALENCE_CENTERED},
    {0, 0},
    {ID_GEOMETRY_RESET, IDB_GEOMETRY_RESET},
    {ID_TRANSLATION_INCREASE, IDB_TRANSLATION_INCREASE},
    {ID_TRANSLATION_DECREASE, IDB_TRANSLATION_DECREASE},
    {0, 0},
    {ID_VIEW_FULL_SCREEN, IDB_FULL_SCREEN},
    {ID_APP_ABOUT, IDB_APP_ABOUT},
    {ID_APP_ABOUT, 0},
  };
  return bar;
}

const char* GetButtonBitmapPath(unsigned bitmap)
{
  switch (bitmap) {
  case IDB_FILE_OPEN: return ":/buttons/open.png";
  case IDB_FILE_SAVE: return ":/buttons/save.png";
  case IDB_APP_ABOUT: return ":/buttons/about.png";
  case IDB_FILE_NEW: return ":/buttons/new.png";
  case IDB_TRANSLATION_INCREASE: return ":/buttons/translation_increase.png";
  case IDB_TRANSLATION_DECREASE: return ":/buttons/translation_decrease.png";
  case IDB_MODE_LINE: return ":/buttons/line.png";
  case IDB_MODE_GOURAUD: return ":/buttons/gouraud.png";
  case IDB_MODE_FLAT: return ":/buttons/flat.png";
  case IDB_FULL_SCREEN: return ":/buttons/full_screen.png";
  case IDB_GEOMETRY_RESET: return ":/buttons/reset.png";
  case IDB_MODE_LIGHT: return ":/buttons/light.png";
  case IDB_SUBDIVISION_LOOP: return ":/buttons/loop.png";
  case IDB_SUBDIVISION_SIMPLE: return ":/buttons/simple.png";
  case IDB_COLOR_CURVATURE: return ":/buttons/curvature.png";
  case IDB_MATERIAL_PEWTER: return ":/buttons/pewter.png";
  case IDB_MATERIAL_BRASS: return ":/buttons/brass.png";
  case IDB_VALENCE_CENTERED: return ":/buttons/valence.png";
  case IDB_MATERIAL_LIGHT_BLUE: return ":/buttons/light_blue.png";
  default: return nullptr;
  }
}
