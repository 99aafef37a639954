#include "app/FontLists.h"

#include <GL/gl.h>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <vector>

namespace {

// One glyph rendered in grey on black into a cell as high as the font.
struct SGlyph
{
  int Width = 0;
  int Left = 0; // bearing from the pen position to the cell's first column
  int Advance = 0;
  QImage Image;
};

SGlyph RenderGlyph(const QFont& font, const QFontMetrics& metrics, QChar character)
{
  SGlyph glyph;
  glyph.Advance = metrics.horizontalAdvance(character);
  const QRect box = metrics.boundingRect(character);
  if (box.width() <= 0)
    return glyph;
  glyph.Width = box.width();
  glyph.Left = box.left();
  glyph.Image = QImage(glyph.Width, metrics.height(), QImage::Format_Grayscale8);
  glyph.Image.fill(0);
  QPainter painter(&glyph.Image);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(-glyph.Left, metrics.ascent(), QString(character));
  return glyph;
}

// The glyph's cell as glBitmap wants it: rows bottom-up, each padded to a whole byte, the
// leftmost pixel in the most significant bit.
std::vector<GLubyte> BitmapOf(const SGlyph& glyph)
{
  const int height = glyph.Image.height();
  const int rowBytes = (glyph.Width + 7) / 8;
  std::vector<GLubyte> bits(static_cast<std::size_t>(rowBytes) * height, 0);
  for (int y = 0; y < height; y++) {
    const uchar* line = glyph.Image.constScanLine(height - 1 - y);
    GLubyte* row = bits.data() + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < glyph.Width; x++)
      if (line[x] >= 128)
        row[x / 8] |= static_cast<GLubyte>(0x80 >> (x % 8));
  }
  return bits;
}

} // namespace

int BuildFontLists(const QFont& font, unsigned listBase, int count)
{
  const QFontMetrics metrics(font);
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  int built = 0;
  for (int c = 0; c < count && c < 256; c++) {
    const SGlyph glyph = RenderGlyph(font, metrics, QChar(static_cast<char16_t>(c)));
    const std::vector<GLubyte> bits = BitmapOf(glyph);
    glNewList(listBase + c, GL_COMPILE);
    glBitmap(glyph.Width, glyph.Width > 0 ? glyph.Image.height() : 0,
             static_cast<GLfloat>(-glyph.Left), static_cast<GLfloat>(metrics.descent()),
             static_cast<GLfloat>(glyph.Advance), 0.0f, bits.empty() ? nullptr : bits.data());
    glEndList();
    built++;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  return built;
}
