#pragma once

// Command ids of the standard commands that the frame, document and application layer
// handles itself (the usual values of the desktop class library the resources follow).
namespace platform {

enum : unsigned {
  ID_FILE_NEW = 0xE100,
  ID_FILE_OPEN = 0xE101,
  ID_FILE_CLOSE = 0xE102,
  ID_FILE_SAVE = 0xE103,
  ID_FILE_SAVE_AS = 0xE104,
  ID_FILE_PRINT_SETUP = 0xE106,
  ID_FILE_PRINT = 0xE107,
  ID_FILE_PRINT_DIRECT = 0xE108,
  ID_FILE_PRINT_PREVIEW = 0xE109,
  ID_FILE_MRU_FILE1 = 0xE110,
  ID_FILE_MRU_FILE10 = 0xE119,
  ID_EDIT_COPY = 0xE122,
  ID_EDIT_CUT = 0xE123,
  ID_EDIT_PASTE = 0xE125,
  ID_EDIT_UNDO = 0xE12B,
  ID_WINDOW_NEW = 0xE130,
  ID_WINDOW_ARRANGE = 0xE131,
  ID_WINDOW_CASCADE = 0xE132,
  ID_WINDOW_TILE_HORZ = 0xE133,
  ID_WINDOW_TILE_VERT = 0xE134,
  ID_APP_ABOUT = 0xE140,
  ID_APP_EXIT = 0xE141,
  ID_NEXT_PANE = 0xE150,
  ID_PREV_PANE = 0xE151,
  ID_VIEW_TOOLBAR = 0xE800,
  ID_VIEW_STATUS_BAR = 0xE801,
};

// Window ids of the bars.
enum : unsigned { AFX_IDW_TOOLBAR = 0xE800, AFX_IDW_STATUS_BAR = 0xE801 };

} // namespace platform
