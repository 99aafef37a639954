#include "tests/app/RenderViewFixture.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>

#include <string>

namespace {

// The view prints through the application's printer, here set to write a PDF file.
class CRenderViewPrintTest : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    AddBox();
    m_Printer = m_App->GetPrinter();
    m_Printer->setOutputFormat(QPrinter::PdfFormat);
    m_Printer->setOutputFileName(QString::fromStdString(m_Pdf));
  }

  std::string PdfText() const
  {
    const std::vector<std::uint8_t> bytes = ReadBytes(m_Pdf);
    return std::string(bytes.begin(), bytes.end());
  }

  // Page objects of the file ("/Type /Page", not the "/Type /Pages" tree).
  int PageCount() const
  {
    const std::string text = PdfText();
    const std::string page = "/Type /Page";
    int n = 0;
    for (auto at = text.find(page); at != std::string::npos; at = text.find(page, at + 1))
      n += text.compare(at, page.size() + 1, page + "s") != 0 ? 1 : 0;
    return n;
  }

  // Runs the action and answers the modal dialog of type T that it opens.
  template <class T, class Fn>
  static void AnswerModal(const std::function<void(T*)>& answer, Fn action)
  {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) {
        answer(dialog);
        answered = true;
      }
    });
    action();
    EXPECT_TRUE(answered);
  }

  CTempFolder m_Folder;
  std::string m_Pdf = m_Folder.File("view.pdf");
  QPrinter* m_Printer = nullptr;
};

} // namespace

TEST_F(CRenderViewPrintTest, PrintingWritesOneBlankPage)
{
  ASSERT_TRUE(m_View->PrintTo(m_Printer));
  EXPECT_EQ(PdfText().rfind("%PDF", 0), 0u);
  EXPECT_EQ(PageCount(), 1);
  // The scene goes to the window alone: the page holds no image of it.
  EXPECT_EQ(PdfText().find("/Subtype /Image"), std::string::npos);
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CRenderViewPrintTest, APrinterThatCannotStartIsReported)
{
  m_Printer->setOutputFileName(QString::fromStdString(m_Folder.File("missing/view.pdf")));
  EXPECT_FALSE(m_View->PrintTo(m_Printer));
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_EQ(m_Messages[0], "Could not start print job.");
}

TEST_F(CRenderViewPrintTest, ThePrintCommandPrintsWhenTheDialogIsAccepted)
{
  AnswerModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->reject(); },
                            [this] { Frame()->DoCommand(platform::ID_FILE_PRINT); });
  EXPECT_FALSE(std::filesystem::exists(m_Pdf));

  AnswerModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); },
                            [this] { Frame()->DoCommand(platform::ID_FILE_PRINT); });
  EXPECT_EQ(PageCount(), 1);
}

TEST_F(CRenderViewPrintTest, PrintPreviewShowsOnePage)
{
  int pages = -1;
  AnswerModal<QPrintPreviewDialog>(
    [&](QPrintPreviewDialog* dialog) {
      if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
        pages = preview->pageCount();
      dialog->reject();
    },
    [this] { Frame()->DoCommand(platform::ID_FILE_PRINT_PREVIEW); });
  EXPECT_EQ(pages, 1);
  // A preview prints nothing.
  EXPECT_FALSE(std::filesystem::exists(m_Pdf));
}
