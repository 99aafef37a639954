#pragma once

// Encapsulated PostScript from an OpenGL feedback buffer of type GL_3D_COLOR: smooth-shaded
// polygons (subdivided by the printer until the corner colours agree), colour-graded lines and
// round points over a rectangle of the clear colour. Reads the viewport, clear colour and point
// size from the current context, so the caller's context must be current.
//
// pPointSize receives GL_POINT_SIZE; count is what glRenderMode(GL_RENDER) returned; sort
// non-zero paints farthest first. Lines end in CR LF. Returns 1 when the file holds the whole
// buffer; 0, with a message box and no file written, when the file cannot be written, the
// buffer overflowed (count negative) or it holds a record that cannot be read.
int ExportEps(float* pPointSize, const char* fileName, const float* buffer, int count, int sort);
