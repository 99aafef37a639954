#include "tests/app/AppFixture.h"

#include "platform/ui/CommandLineInfo.h"

#include <QPrinter>

#include <fstream>
#include <string>

namespace {

// A tetrahedron in a file of its own.
std::string WriteMesh(const CScopedFolder& folder)
{
  const std::string path = (folder.Path() / "tetra.obj").string();
  std::ofstream(path) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                         "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
  return path;
}

std::string ReadText(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree).
int PageCount(const std::string& pdf)
{
  const std::string page = "/Type /Page";
  int n = 0;
  for (auto at = pdf.find(page); at != std::string::npos; at = pdf.find(page, at + 1))
    n += pdf.compare(at, page.size() + 1, page + "s") != 0 ? 1 : 0;
  return n;
}

// Starts the program with "/p file" (or another print form), its printer set beforehand
// to write a PDF file: printing happens during start-up, before any window shows.
class CStartupPrint : public ::testing::Test
{
protected:
  void TearDown() override
  {
    m_App.reset();
    platform::SetMessageSink({});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  bool Start(const std::vector<std::string>& arguments)
  {
    QSettings("Orvane", "Vanth").clear();
    m_App = std::make_unique<CVanthApp>(arguments);
    QPrinter* printer = m_App->GetPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(m_Pdf));
    return m_App->InitInstance();
  }

  // Opening a file moves the current folder into it; the scope puts it back.
  CScopedFolder m_Folder{"orvane_startup_print"};
  std::string m_Mesh = WriteMesh(m_Folder);
  std::string m_Pdf = (m_Folder.Path() / "printed.pdf").string();
  std::unique_ptr<CVanthApp> m_App;
};

// A started program whose message boxes answer from the test, to run print forms of the
// command line on it.
using CShellPrint = CAppFixture;

} // namespace

TEST_F(CStartupPrint, PrintSwitchPrintsTheFileAndEnds)
{
  for (const char* flag : {"/p", "-P"}) {
    SCOPED_TRACE(flag);
    std::filesystem::remove(m_Pdf);
    EXPECT_FALSE(Start({flag, m_Mesh})) << "the program ends after printing";
    const std::string pdf = ReadText(m_Pdf);
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u) << "nothing was printed";
    EXPECT_EQ(PageCount(pdf), 1);
    // The document was opened for printing only.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
    m_App.reset();
  }
}

TEST_F(CStartupPrint, NoFileToOpenPrintsNothing)
{
  EXPECT_FALSE(Start({"/p"}));
  EXPECT_FALSE(std::filesystem::exists(m_Pdf));
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
}

TEST_F(CShellPrint, PrintToAnUnknownPrinterSaysSoAndPrintsNothing)
{
  ASSERT_TRUE(m_Started);
  CScopedFolder folder("orvane_print_to");
  const std::string pdf = (folder.Path() / "printed.pdf").string();
  QPrinter* printer = m_App->GetPrinter();
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(QString::fromStdString(pdf));

  platform::CCommandLineInfo info;
  info.m_nShellCommand = platform::CCommandLineInfo::FileNothing;
  info.ParseCommandLine({"/pt", WriteMesh(folder), "no such printer here", "driver", "port"});
  EXPECT_FALSE(m_App->ProcessShellCommand(info));
  EXPECT_EQ(m_Messages, (std::vector<std::string>{"Could not start print job."}));
  EXPECT_FALSE(std::filesystem::exists(pdf));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
}

TEST_F(CShellPrint, PrintDirectPrintsTheActiveViewWithoutADialog)
{
  ASSERT_TRUE(m_Started);
  ASSERT_NE(NewDocument(), nullptr);
  CScopedFolder folder("orvane_print_direct");
  const std::string pdf = (folder.Path() / "direct.pdf").string();
  QPrinter* printer = m_App->GetPrinter();
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(QString::fromStdString(pdf));
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_FILE_PRINT_DIRECT));
  EXPECT_EQ(PageCount(ReadText(pdf)), 1);
  EXPECT_TRUE(m_Messages.empty());
}
