#pragma once

class QFont;

// Bitmap display lists of a font's glyphs, made from what Qt renders: list base + c draws
// character c (Latin-1) at the current raster position with glBitmap and moves the raster
// position on by the glyph's advance. Drawing text is then glListBase (base) and glCallLists
// on the bytes. Builds into the current OpenGL context; answers the number of lists made.
int BuildFontLists(const QFont& font, unsigned listBase, int count);
