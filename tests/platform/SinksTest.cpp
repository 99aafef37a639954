#include "platform/core/Clipboard.h"
#include "platform/core/Clock.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Path.h"
#include "platform/core/Redraw.h"
#include "platform/core/Status.h"
#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(MessageBox, SinkReceivesTextAndChoosesTheAnswer)
{
  std::string said;
  int style = -1;
  auto previous = platform::SetMessageSink([&](const std::string& text, int s) {
    said = text;
    style = s;
    return platform::IDYES;
  });
  EXPECT_EQ(platform::MessageBox("Save moodifications ?", platform::MB_YESNO), platform::IDYES);
  EXPECT_EQ(said, "Save moodifications ?");
  EXPECT_EQ(style, platform::MB_YESNO);
  platform::SetMessageSink(previous);
}

TEST(MessageBox, DefaultSinkGivesTheCautiousAnswer)
{
  auto previous = platform::SetMessageSink(nullptr);
  EXPECT_EQ(platform::MessageBox("ok"), platform::IDOK);
  EXPECT_EQ(platform::MessageBox("question", platform::MB_YESNO), platform::IDNO);
  EXPECT_EQ(platform::MessageBox("question", platform::MB_YESNOCANCEL), platform::IDCANCEL);
  platform::SetMessageSink(previous);
}

TEST(Status, FormatsOnlyWhenAWindowListens)
{
  platform::StatusMessage("nobody listens %d", 1);  // must not crash
  std::string text;
  auto previous = platform::SetStatusSink([&](const std::string& t) { text = t; });
  platform::StatusMessage("Encoding...(%d vertices)...", 42);
  EXPECT_EQ(text, "Encoding...(42 vertices)...");
  platform::SetStatusSink(previous);
}

TEST(Trace, WritesNothingUnlessASinkIsInstalled)
{
  platform::Trace("dropped %d", 1);
  std::vector<std::string> lines;
  auto previous = platform::SetTraceSink([&](const std::string& l) { lines.push_back(l); });
  platform::Trace("  key : %g", 0.5);
  platform::SetTraceSink(previous);
  platform::Trace("dropped again");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "  key : 0.5");
}

namespace {
class CRecordingClipboard : public platform::CClipboardSink
{
public:
  std::string text;
  std::vector<std::uint8_t> bitmap, metafile;
  bool SetText(const std::string& t) override { text = t; return true; }
  bool SetBitmap(const std::vector<std::uint8_t>& b) override { bitmap = b; return true; }
  bool SetMetafile(const std::vector<std::uint8_t>& m) override { metafile = m; return true; }
  std::string GetText() override { return text; }
};
} // namespace

TEST(Clipboard, PutsFailWithoutAClipboardAndReachTheInstalledOne)
{
  platform::CClipboardSink* previous = platform::SetClipboard(nullptr);
  EXPECT_FALSE(platform::ClipboardSetText("lost"));
  EXPECT_EQ(platform::ClipboardGetText(), "");

  CRecordingClipboard clipboard;
  platform::SetClipboard(&clipboard);
  EXPECT_TRUE(platform::ClipboardSetText("a\tb\n"));
  EXPECT_TRUE(platform::ClipboardSetBitmap({1, 2, 3}));
  EXPECT_TRUE(platform::ClipboardSetMetafile({4}));
  EXPECT_EQ(platform::ClipboardGetText(), "a\tb\n");
  EXPECT_EQ(clipboard.bitmap.size(), 3u);
  EXPECT_EQ(clipboard.metafile.size(), 1u);
  platform::SetClipboard(previous);
}

TEST(Redraw, NullViewIsNeverRedrawn)
{
  int calls = 0;
  auto previous = platform::SetRedrawHook([&](CRenderView*) { calls++; });
  platform::RedrawView(nullptr);
  EXPECT_EQ(calls, 0);
  platform::RedrawView(reinterpret_cast<CRenderView*>(&calls));
  EXPECT_EQ(calls, 1);
  platform::SetRedrawHook(previous);
  platform::RedrawView(reinterpret_cast<CRenderView*>(&calls));  // no hook: nothing happens
  EXPECT_EQ(calls, 1);
}

TEST(Format, LongTextsAndNumbers)
{
  const std::string longText(1000, 'x');
  EXPECT_EQ(platform::Format("%s|%d", longText.c_str(), 7), longText + "|7");
  EXPECT_EQ(platform::Format("%g %g", 0.1, 1e-7), "0.1 1e-07");
  bool ok = true;
  EXPECT_EQ(platform::ParseDouble("abc", &ok), 0.0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(platform::ParseDouble(" 2.5x", &ok), 2.5);
  EXPECT_TRUE(ok);
  int a = 0, b = 0;
  EXPECT_EQ(platform::Scan("3 4", "%d %d", &a, &b), 2);
  EXPECT_EQ(a + b, 7);
}

TEST(Path, BothSeparatorsSplitFolders)
{
  EXPECT_EQ(platform::DirectoryOf("C:\\meshes\\bunny.wrl"), "C:\\meshes");
  EXPECT_EQ(platform::FileNameOf("C:\\meshes\\bunny.wrl"), "bunny.wrl");
  EXPECT_EQ(platform::DirectoryOf("/tmp/a\\b/c.smf"), "/tmp/a\\b");
  EXPECT_EQ(platform::FileNameOf("plain.obj"), "plain.obj");
  EXPECT_EQ(platform::DirectoryOf("plain.obj"), "");
  EXPECT_EQ(platform::LowerSuffix("/x/Model.WRL", 4), ".wrl");
  EXPECT_EQ(platform::LowerSuffix("a", 4), "a");
  EXPECT_EQ(platform::JoinPath("/tmp", "a.bin"), "/tmp/a.bin");
  EXPECT_EQ(platform::JoinPath("/tmp/", "a.bin"), "/tmp/a.bin");
  EXPECT_EQ(platform::JoinPath("", "a.bin"), "a.bin");
}

TEST(Clock, SleepAdvancesTheWallClock)
{
  const long long start = platform::GetTickMs();
  platform::Sleep(20);
  EXPECT_GE(platform::GetTickMs() - start, 19);
}
