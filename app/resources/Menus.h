#pragma once

#include "platform/ui/MenuTable.h"

#include <vector>

// Menu 128, shown while no document is open, and menu 129, the document menu.
const std::vector<platform::SMenuItem>& GetMainMenu();
const std::vector<platform::SMenuItem>& GetDocumentMenu();
// Menu 176, the texture map dialog's own.
const std::vector<platform::SMenuItem>& GetTextureMapMenu();
