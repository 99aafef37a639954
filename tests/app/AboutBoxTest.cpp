#include "tests/app/AppFixture.h"

#include "app/AboutDlg.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>

namespace {

using CAboutBoxTest = CAppFixture;

std::vector<std::string> Texts(const QDialog& dialog)
{
  std::vector<std::string> texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>())
    if (!label->text().isEmpty())
      texts.push_back(label->text().toStdString());
  return texts;
}

// Pixels that are drawn (opaque) and pixels left clear: an icon has both.
std::pair<int, int> OpaqueAndClear(const QImage& image)
{
  int opaque = 0;
  int clear = 0;
  for (int y = 0; y < image.height(); y++)
    for (int x = 0; x < image.width(); x++) {
      const int alpha = qAlpha(image.pixel(x, y));
      opaque += alpha == 255;
      clear += alpha == 0;
    }
  return {opaque, clear};
}

} // namespace

TEST_F(CAboutBoxTest, ShowsTheApplicationIconBesideItsTexts)
{
  ASSERT_TRUE(m_Started);
  CAboutDlg dialog(Frame());
  EXPECT_EQ(dialog.windowTitle().toStdString(), "About Orvane");
  EXPECT_EQ(Texts(dialog), (std::vector<std::string>{"Orvane (version 2.0)", "Talvenor"}));

  const QLabel* icon = dialog.findChild<QLabel*>("icon");
  ASSERT_NE(icon, nullptr);
  const QImage shown = icon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(shown.size(), QSize(32, 32));
  const auto [opaque, clear] = OpaqueAndClear(shown);
  EXPECT_GT(opaque, 32 * 32 / 4);
  EXPECT_GT(clear, 0);

  // The same picture is the icon of every window of the program.
  const QImage windows =
    QApplication::windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(windows, shown);
}
