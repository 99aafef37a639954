#pragma once

// Encapsulated PostScript from an OpenGL feedback buffer of type GL_3D_COLOR: smooth-shaded
// polygons (subdivided by the printer until the corner colours agree), colour-graded lines and
// round points over a rectangle of the clear colour. Reads the viewport, clear colour and point
// size from the current context, so the caller's context must be current.
//
// pPointSize receives GL_POINT_SIZE; count is what glRenderMode(GL_RENDER) returned (negative
// after an overflow: no primitive is written); sort non-zero paints farthest first.
// Returns 1 when the whole buffer was written, 0 when the file could not be opened or the
// buffer holds a record it cannot read (the records before it are written).
int ExportEps(float* pPointSize, const char* fileName, const float* buffer, int count, int sort);
