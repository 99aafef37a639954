#include "app/EpsExport.h"

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kVertexFloats = 7; // x y z r g b a
constexpr double kThreshold = 0.01;
constexpr double kLineWidth = 0.1;
constexpr double kLineSteps = 0.06;
constexpr const char* kOverflowMessage =
  "The scene does not fit the feedback buffer: the EPS file was not written";
constexpr const char* kUnreadableMessage =
  "The feedback buffer holds a record that cannot be read: the EPS file was not written";

struct SFileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Procedures that fill a triangle with Gouraud shading: while two corner colours differ by
// threshold or more, split it at its edge midpoints; then fill it flat with the mean colour.
const char* const kProlog[] = {
  "/bd { bind def } bind def",
  "% coords [x1 x2 x3 y1 y2 y3], colour [r g b]",
  "/triangle { aload pop setrgbcolor newpath dup 0 get 1 index 3 get moveto",
  "  dup 1 get 1 index 4 get lineto dup 2 get 1 index 5 get lineto pop closepath fill } bd",
  "/computediff1 { 2 copy sub abs threshold ge 4 1 roll 2 index sub abs threshold ge",
  "  4 1 roll sub abs threshold ge or or } bd",
  "/computediff3 { 3 copy 0 get 3 1 roll 0 get 3 1 roll 0 get 3 1 roll computediff1 4 1 roll",
  "  3 copy 1 get 3 1 roll 1 get 3 1 roll 1 get 3 1 roll computediff1 4 1 roll",
  "  2 get 3 1 roll 2 get 3 1 roll 2 get 3 1 roll computediff1 or or } bd",
  "/middlecolor { 2 copy 0 get exch 0 get add 2 div 3 1 roll 2 copy 1 get exch 1 get add",
  "  2 div 3 1 roll 2 get exch 2 get add 2 div 3 array astore } bd",
  "% coords, colours c1 c2 c3 of the three corners",
  "/gouraudtriangle { 3 copy computediff3 { 24 dict begin",
  "  /c3 exch def /c2 exch def /c1 exch def aload pop /y3 exch def /y2 exch def /y1 exch def",
  "  /x3 exch def /x2 exch def /x1 exch def /c12 c1 c2 middlecolor def",
  "  /c23 c2 c3 middlecolor def /c31 c3 c1 middlecolor def /x12 x1 x2 add 2 div def",
  "  /y12 y1 y2 add 2 div def /x23 x2 x3 add 2 div def /y23 y2 y3 add 2 div def",
  "  /x31 x3 x1 add 2 div def /y31 y3 y1 add 2 div def",
  "  [x1 x12 x31 y1 y12 y31] c1 c12 c31 gouraudtriangle",
  "  [x12 x2 x23 y12 y2 y23] c12 c2 c23 gouraudtriangle",
  "  [x31 x23 x3 y31 y23 y3] c31 c23 c3 gouraudtriangle",
  "  [x12 x23 x31 y12 y23 y31] c12 c23 c31 gouraudtriangle end } {",
  "  3 copy 0 get exch 0 get add exch 0 get add 3 div 4 1 roll 3 copy 1 get exch 1 get add",
  "  exch 1 get add 3 div 4 1 roll 2 get exch 2 get add exch 2 get add 3 div",
  "  3 array astore triangle } ifelse } bd",
};

// What the feedback pass writes for a vertex: finite window coordinates and colour components
// in [0, 1]. Anything else was never written by it.
bool IsFeedbackVertex(const float* v)
{
  for (int i = 0; i < 3; i++)
    if (!std::isfinite(v[i]))
      return false;
  for (int i = 3; i < kVertexFloats; i++)
    if (!(v[i] >= 0.0f && v[i] <= 1.0f))
      return false;
  return true;
}

// Floats in the record that starts at p, or 0 when it is no record the writer knows, it runs
// past end or a vertex of it holds values the feedback pass cannot write: the vertex count of
// a polygon and the values come from the buffer and are not trusted.
long RecordLength(const float* p, const float* end)
{
  long length = 0;
  switch (static_cast<int>(*p)) {
  case GL_POINT_TOKEN:
    length = 1 + kVertexFloats;
    break;
  case GL_LINE_TOKEN:
  case GL_LINE_RESET_TOKEN:
    length = 1 + 2 * kVertexFloats;
    break;
  case GL_POLYGON_TOKEN: {
    if (end - p < 2 || !(p[1] >= 0.0f) || p[1] > static_cast<float>(end - p))
      return 0;
    length = 2 + kVertexFloats * static_cast<long>(p[1]);
    break;
  }
  default:
    return 0;
  }
  if (length > end - p)
    return 0;
  const float* first = p + (static_cast<int>(*p) == GL_POLYGON_TOKEN ? 2 : 1);
  for (const float* v = first; v < p + length; v += kVertexFloats)
    if (!IsFeedbackVertex(v))
      return 0;
  return length;
}

void WriteColor(std::string& out, const float* v)
{
  out += platform::Format("%g %g %g setrgbcolor\n", v[3], v[4], v[5]);
}

void WritePoint(std::string& out, const float* v, float pointSize)
{
  WriteColor(out, v);
  out += platform::Format("%g %g %g 0 360 arc fill\n\n", v[0], v[1], pointSize / 2.0);
}

// A colour ramp along the line: one stroke per step, each in the colour at its middle.
void WriteLine(std::string& out, const float* v1, const float* v2)
{
  const float dx = v2[0] - v1[0];
  const float dy = v2[1] - v1[1];
  const float dr = v2[3] - v1[3];
  const float dg = v2[4] - v1[4];
  const float db = v2[5] - v1[5];
  int steps = 0;
  float xStep = 0, yStep = 0, rStep = 0, gStep = 0, bStep = 0;
  float x = 0, y = 0, r = 0, g = 0, b = 0;
  if (dr != 0 || dg != 0 || db != 0) {
    const float distance = std::sqrt(dx * dx + dy * dy);
    const float span = std::max({std::fabs(dr), std::fabs(dg), std::fabs(db)});
    steps = static_cast<int>(std::max(1.0, span * distance * kLineSteps));
    xStep = dx / steps;
    yStep = dy / steps;
    rStep = dr / steps;
    gStep = dg / steps;
    bStep = db / steps;
    x = v1[0] - xStep / 2.0f;
    y = v1[1] - yStep / 2.0f;
    r = v1[3] - rStep / 2.0f;
    g = v1[4] - gStep / 2.0f;
    b = v1[5] - bStep / 2.0f;
  }
  WriteColor(out, v1);
  out += platform::Format("%g %g moveto\n", v1[0], v1[1]);
  for (int i = 0; i < steps; i++) {
    x += xStep;
    y += yStep;
    r += rStep;
    g += gStep;
    b += bStep;
    out += platform::Format("%g %g lineto stroke\n", x, y);
    out += platform::Format("%g %g %g setrgbcolor\n", r, g, b);
    out += platform::Format("%g %g moveto\n", x, y);
  }
  out += platform::Format("%g %g lineto stroke\n", v2[0], v2[1]);
}

bool IsSmooth(const float* vertices, int n)
{
  for (int i = 1; i < n; i++) {
    const float* v = vertices + i * kVertexFloats;
    if (v[3] != vertices[3] || v[4] != vertices[4] || v[5] != vertices[5])
      return true;
  }
  return false;
}

void WritePolygon(std::string& out, const float* vertices, int n)
{
  if (n == 0)
    return;
  const auto vertex = [vertices](int i) { return vertices + i * kVertexFloats; };
  if (IsSmooth(vertices, n)) {
    const float* v0 = vertex(0);
    for (int i = 0; i + 2 < n; i++) {
      const float* v1 = vertex(i + 1);
      const float* v2 = vertex(i + 2);
      out += platform::Format("[%g %g %g %g %g %g]", v0[0], v1[0], v2[0], v0[1], v1[1], v2[1]);
      out += platform::Format(" [%g %g %g] [%g %g %g] [%g %g %g] gouraudtriangle\n", v0[3],
                          v0[4], v0[5], v1[3], v1[4], v1[5], v2[3], v2[4], v2[5]);
    }
    return;
  }
  out += platform::Format("newpath\n");
  WriteColor(out, vertex(0));
  out += platform::Format("%g %g moveto\n", vertex(0)[0], vertex(0)[1]);
  for (int i = 1; i < n; i++)
    out += platform::Format("%g %g lineto\n", vertex(i)[0], vertex(i)[1]);
  out += platform::Format("closepath fill\n\n");
}

// One record, already checked by RecordLength.
void WritePrimitive(std::string& out, const float* p, float pointSize)
{
  switch (static_cast<int>(*p)) {
  case GL_POINT_TOKEN:
    WritePoint(out, p + 1, pointSize);
    break;
  case GL_LINE_TOKEN:
  case GL_LINE_RESET_TOKEN:
    WriteLine(out, p + 1, p + 1 + kVertexFloats);
    break;
  default:
    WritePolygon(out, p + 2, static_cast<int>(p[1]));
    break;
  }
}

float Depth(const float* p)
{
  switch (static_cast<int>(*p)) {
  case GL_POINT_TOKEN:
    return p[3];
  case GL_LINE_TOKEN:
  case GL_LINE_RESET_TOKEN:
    return (p[3] + p[3 + kVertexFloats]) / 2.0f;
  default:
    break;
  }
  const int n = static_cast<int>(p[1]);
  if (n == 0)
    return 0.0f;
  float sum = 0.0f;
  for (int i = 0; i < n; i++)
    sum += p[2 + i * kVertexFloats + 2];
  return sum / static_cast<float>(n);
}

struct SDepthRecord
{
  const float* Primitive;
  float Depth;
};

// The records the buffer holds, in its order; false, with nothing kept, when one cannot be
// read. The reason goes to the trace: its offset, token and first values.
bool CollectPrimitives(const float* buffer, int count, std::vector<const float*>* pPrimitives)
{
  const float* end = buffer + std::max(count, 0);
  for (const float* p = buffer; p < end;) {
    const long length = RecordLength(p, end);
    if (length == 0) {
      const auto value = [p, end](int i) { return p + i < end ? static_cast<double>(p[i]) : 0.0; };
      platform::Trace("EPS export: record at %ld cannot be read: token %g, then %g %g %g %g %g\n",
                      static_cast<long>(p - buffer), value(0), value(1), value(2), value(3),
                      value(4), value(5));
      pPrimitives->clear();
      return false;
    }
    pPrimitives->push_back(p);
    p += length;
  }
  return true;
}

void SortBackToFront(std::vector<const float*>* pPrimitives)
{
  std::vector<SDepthRecord> records;
  records.reserve(pPrimitives->size());
  for (const float* p : *pPrimitives)
    records.push_back({p, Depth(p)});
  std::stable_sort(records.begin(), records.end(),
                   [](const SDepthRecord& a, const SDepthRecord& b) { return a.Depth > b.Depth; });
  for (std::size_t i = 0; i < records.size(); i++)
    (*pPrimitives)[i] = records[i].Primitive;
}

void WriteHeader(std::string& out, const GLfloat* viewport, const GLfloat* clearColor)
{
  out += platform::Format("%%!PS-Adobe-2.0 EPSF-2.0\n");
  out += platform::Format("%%%%BoundingBox: %g %g %g %g\n", viewport[0], viewport[1],
                      viewport[2], viewport[3]);
  out += platform::Format("%%%%EndComments\n\ngsave\n\n");
  out += platform::Format("/threshold %g def\n", kThreshold);
  out += platform::Format("\n%% RGB color command - r g b C\n/C { setrgbcolor } bind def\n");
  out += platform::Format("\n%% Flat-shaded triangle - x3 y3 x2 y2 x1 y1 r g b T\n");
  out += platform::Format("/T { C newpath moveto lineto lineto closepath fill } bind def\n");
  for (const char* line : kProlog)
    out += platform::Format("%s\n", line);
  out += platform::Format("\n%g setlinewidth\n", kLineWidth);
  out += platform::Format("%g %g %g setrgbcolor\n", clearColor[0], clearColor[1], clearColor[2]);
  out += platform::Format("%g %g %g %g rectfill\n\n", viewport[0], viewport[1], viewport[2],
                      viewport[3]);
}


// PostScript readers take either line end; the file's lines end in CR LF.
std::string WithCrLf(const std::string& text)
{
  std::string result;
  result.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n')
      result += '\r';
    result += c;
  }
  return result;
}

bool WriteFile(const char* fileName, const std::string& text)
{
  std::unique_ptr<std::FILE, SFileCloser> file(std::fopen(fileName, "wb"));
  if (!file)
    return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && written;
}

} // namespace

int ExportEps(float* pPointSize, const char* fileName, const float* buffer, int count, int sort)
{
  GLfloat viewport[4] = {0, 0, 0, 0};
  GLfloat clearColor[4] = {0, 0, 0, 0};
  GLfloat lineWidth = 1.0f;
  glGetFloatv(GL_VIEWPORT, viewport);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
  glGetFloatv(GL_LINE_WIDTH, &lineWidth);
  glGetFloatv(GL_POINT_SIZE, pPointSize);

  // A picture with primitives missing is no picture of the view: nothing is written.
  if (count < 0) {
    platform::MessageBox(kOverflowMessage, platform::MB_OK);
    return 0;
  }
  std::vector<const float*> primitives;
  if (buffer && !CollectPrimitives(buffer, count, &primitives)) {
    platform::MessageBox(kUnreadableMessage, platform::MB_OK);
    return 0;
  }
  if (sort)
    SortBackToFront(&primitives);
  std::string out;
  WriteHeader(out, viewport, clearColor);
  for (const float* p : primitives)
    WritePrimitive(out, p, *pPointSize);
  out += "grestore\n\nshowpage\n";
  if (!WriteFile(fileName, WithCrLf(out))) {
    platform::MessageBox("Unable to open file for writing", platform::MB_OK);
    return 0;
  }
  return 1;
}
