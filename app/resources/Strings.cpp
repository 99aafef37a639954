#include "app/resources/Strings.h"

#include "app/resources/Resource.h"

const char* LoadString(unsigned id)
{
  switch (id) {
  case IDR_MAINFRAME: return "Orvane";
  // The template names no file type, filter or extension: the file dialogs offer all files.
  case IDR_VANTHTYPE: return "";
  case IDS_APP_TITLE: return "Vanth";
  default: return "";
  }
}
