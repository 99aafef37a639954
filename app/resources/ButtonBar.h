#pragma once

#include <vector>

// One button of a button bar: its command (0 for a separator) and the resource id of its
// image (0 when the bar has no image left for it).
struct SButtonBarEntry
{
  unsigned Id;
  unsigned Bitmap;
};

// The button bar "Standard".
const std::vector<SButtonBarEntry>& GetStandardButtonBar();

// The image of a button-bar bitmap, as a path in Qt's resource system.
const char* GetButtonBitmapPath(unsigned bitmap);
