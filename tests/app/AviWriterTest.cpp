#include "app/AviWriter.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

std::string RunCommand(const std::string& command)
{
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe)
    return output;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
    output.append(buffer.data(), n);
  return output;
}

// ffprobe's key=value lines of the video stream; a missing key reads as "".
std::map<std::string, std::string> Probe(const std::string& path)
{
  std::map<std::string, std::string> fields;
  std::istringstream lines(RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                               "stream=codec_name,width,height,pix_fmt,nb_read_frames -of default=nw=1 '" +
                               path + "' 2>&1"));
  for (std::string line; std::getline(lines, line);) {
    const auto equal = line.find('=');
    if (equal != std::string::npos)
      fields[line.substr(0, equal)] = line.substr(equal + 1);
  }
  return fields;
}

// A writer on a display of a chosen depth, so that tests do not depend on the one they run on.
class CAviWriterAt : public CAviWriter
{
public:
  explicit CAviWriterAt(int bitsPerPixel = 24) : m_Bits(bitsPerPixel) {}

protected:
  int DisplayBitsPerPixel() const override { return m_Bits; }

private:
  int m_Bits;
};

class CAviWriterTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    m_Folder = std::filesystem::temp_directory_path() / ("orvane_avi_" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_Folder);
    m_Path = (m_Folder / "video.avi").string();
  }
  void TearDown() override { std::filesystem::remove_all(m_Folder); }

  // Writes one frame into a video of the rectangle's size and probes it.
  std::map<std::string, std::string> WriteOneFrame(const QRect& rect, const QImage& image)
  {
    CAviWriterAt writer;
    writer.Init(m_Path, rect);
    EXPECT_EQ(writer.AddFrame(image), 1);
    EXPECT_EQ(writer.Write(), 1);
    return Probe(m_Path);
  }

  // A frame in one colour with a white top-left corner, to show which way up the rows went.
  static QImage Frame(int width, int height, QColor colour)
  {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; y < 4; y++)
      for (int x = 0; x < 4; x++)
        image.setPixelColor(x, y, Qt::white);
    return image;
  }

  std::filesystem::path m_Folder;
  std::string m_Path;
};

} // namespace

TEST(AviRows, RowsArePaddedToFourBytes)
{
  EXPECT_EQ(CAviWriter::RowSize(800, 32), 3200u);
  EXPECT_EQ(CAviWriter::RowSize(800, 24), 2400u);
  EXPECT_EQ(CAviWriter::RowSize(803, 24), 2412u);
  EXPECT_EQ(CAviWriter::RowSize(1, 24), 4u);
}

TEST_F(CAviWriterTest, ThreeFramesMakeAVideoFfprobeReads)
{
  CAviWriterAt writer;
  writer.Init(m_Path, QRect(10, 20, 64, 48));
  const QColor colours[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
  for (const QColor& colour : colours)
    ASSERT_EQ(writer.AddFrame(Frame(64, 48, colour)), 1);
  EXPECT_EQ(writer.GetNbFrames(), 3);
  ASSERT_EQ(writer.Write(), 1);
  EXPECT_EQ(writer.GetNbFrames(), 0);

  auto fields = Probe(m_Path);
  EXPECT_EQ(fields["codec_name"], "rawvideo");
  EXPECT_EQ(fields["width"], "64");
  EXPECT_EQ(fields["height"], "48");
  EXPECT_EQ(fields["pix_fmt"], "bgr24");
  EXPECT_EQ(fields["nb_read_frames"], "3");

  // Decoded back, each frame has its colour and its white corner at the top left (the frames
  // as stored, without the repeats that fill each one's second).
  const std::string raw = RunCommand("ffmpeg -v error -i '" + m_Path +
                                     "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
  ASSERT_EQ(raw.size(), std::size_t(3 * 64 * 48 * 3));
  for (int f = 0; f < 3; f++) {
    const auto* frame = reinterpret_cast<const unsigned char*>(raw.data()) + f * 64 * 48 * 3;
    EXPECT_EQ(frame[0], 255);
    EXPECT_EQ(frame[1], 255);
    EXPECT_EQ(frame[2], 255);
    const unsigned char* middle = frame + (24 * 64 + 32) * 3;
    EXPECT_EQ(middle[0], colours[f].red()) << f;
    EXPECT_EQ(middle[1], colours[f].green()) << f;
    EXPECT_EQ(middle[2], colours[f].blue()) << f;
  }
}

TEST_F(CAviWriterTest, AnOddWidthPadsEachRow)
{
  auto fields = WriteOneFrame(QRect(0, 0, 7, 5), Frame(7, 5, QColor(10, 20, 30)));
  EXPECT_EQ(fields["width"], "7");
  EXPECT_EQ(fields["nb_read_frames"], "1");
  const std::string raw = RunCommand("ffmpeg -v error -i '" + m_Path + "' -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
  ASSERT_EQ(raw.size(), std::size_t(7 * 5 * 3));
  EXPECT_EQ(static_cast<unsigned char>(raw[(2 * 7 + 6) * 3]), 10);
  EXPECT_EQ(static_cast<unsigned char>(raw[(2 * 7 + 6) * 3 + 2]), 30);
}

TEST_F(CAviWriterTest, InitThenWriteGivesAnEmptyStream)
{
  CAviWriter writer;
  writer.Init(m_Path, QRect(0, 0, 16, 8));
  ASSERT_EQ(writer.Write(), 1);
  std::ifstream file(m_Path, std::ios::binary);
  char riff[12] = {};
  file.read(riff, 12);
  EXPECT_EQ(std::string(riff, 4), "RIFF");
  EXPECT_EQ(std::string(riff + 8, 4), "AVI ");
  const auto size = std::filesystem::file_size(m_Path);
  const std::uint32_t declared = std::uint8_t(riff[4]) | std::uint8_t(riff[5]) << 8 |
                                 std::uint8_t(riff[6]) << 16 | std::uint32_t(std::uint8_t(riff[7])) << 24;
  EXPECT_EQ(declared + 8, size);
}

TEST_F(CAviWriterTest, NothingHappensBeforeInitOrAfterWrite)
{
  CAviWriter writer;
  EXPECT_EQ(writer.AddFrame(Frame(8, 8, Qt::red)), 0);
  EXPECT_EQ(writer.Write(), 0);
  EXPECT_FALSE(std::filesystem::exists(m_Path));
  writer.Init(m_Path, QRect(0, 0, 8, 8));
  ASSERT_EQ(writer.AddFrame(Frame(8, 8, Qt::red)), 1);
  ASSERT_EQ(writer.Write(), 1);
  std::filesystem::remove(m_Path);
  EXPECT_EQ(writer.AddFrame(Frame(8, 8, Qt::red)), 0);
  EXPECT_EQ(writer.Write(), 0);
  EXPECT_FALSE(std::filesystem::exists(m_Path));
}

TEST_F(CAviWriterTest, AFileThatCannotBeWrittenKeepsTheFrames)
{
  CAviWriter writer;
  writer.Init((m_Folder / "missing" / "video.avi").string(), QRect(0, 0, 8, 8));
  ASSERT_EQ(writer.AddFrame(Frame(8, 8, Qt::red)), 1);
  EXPECT_EQ(writer.Write(), 0);
  EXPECT_EQ(writer.GetNbFrames(), 1);
  std::filesystem::create_directories(m_Folder / "missing");
  EXPECT_EQ(writer.Write(), 1);
}

TEST_F(CAviWriterTest, FramesOfAnotherSizeAreScaledToTheRectangle)
{
  auto fields = WriteOneFrame(QRect(0, 0, 32, 16), Frame(64, 32, QColor(0, 0, 255)));
  EXPECT_EQ(fields["width"], "32");
  EXPECT_EQ(fields["height"], "16");
}

namespace {

// The presentation times, in seconds, of the stream's packets that carry a picture.
std::vector<std::string> PictureTimes(const std::string& path)
{
  std::vector<std::string> times;
  std::istringstream lines(RunCommand("ffprobe -v error -select_streams v:0 -show_entries "
                                      "packet=pts_time,size -of csv=p=0 '" + path + "' 2>&1"));
  for (std::string line; std::getline(lines, line);) {
    const auto comma = line.find(',');
    if (comma != std::string::npos && line.substr(comma + 1) != "0")
      times.push_back(line.substr(0, comma));
  }
  return times;
}

std::uint32_t U32At(const std::string& bytes, std::size_t at)
{
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; i--)
    v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

std::string ReadAll(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST_F(CAviWriterTest, EachFrameShowsForOneSecondAtTwentyFiveSamplesASecond)
{
  CAviWriterAt writer;
  writer.Init(m_Path, QRect(0, 0, 32, 16));
  const int frames = 4;
  for (int i = 0; i < frames; i++)
    ASSERT_EQ(writer.AddFrame(Frame(32, 16, QColor(60 * i, 0, 0))), 1);
  ASSERT_EQ(writer.Write(), 1);

  std::map<std::string, std::string> fields;
  std::istringstream lines(RunCommand("ffprobe -v error -count_frames -select_streams v:0 "
                                      "-show_entries stream=r_frame_rate,duration,nb_frames,nb_read_frames "
                                      "-of default=nw=1 '" + m_Path + "' 2>&1"));
  for (std::string line; std::getline(lines, line);)
    if (const auto equal = line.find('='); equal != std::string::npos)
      fields[line.substr(0, equal)] = line.substr(equal + 1);
  EXPECT_EQ(fields["r_frame_rate"], "25/1");
  EXPECT_EQ(fields["nb_frames"], std::to_string(25 * frames)); // the stream's length in samples
  EXPECT_EQ(fields["nb_read_frames"], std::to_string(frames));
  ASSERT_FALSE(fields["duration"].empty());
  EXPECT_DOUBLE_EQ(std::stod(fields["duration"]), frames);
  // Frame i comes at second i.
  const std::vector<std::string> times = PictureTimes(m_Path);
  ASSERT_EQ(times.size(), std::size_t(frames));
  for (int i = 0; i < frames; i++)
    EXPECT_DOUBLE_EQ(std::stod(times[i]), i) << i;
}

TEST_F(CAviWriterTest, AThirtyTwoBitDisplayGivesThirtyTwoBitFrames)
{
  CAviWriterAt writer(32);
  writer.Init(m_Path, QRect(0, 0, 800, 600));
  EXPECT_EQ(writer.GetBitsPerPixel(), 32);
  EXPECT_EQ(writer.GetPlanes(), 1);
  ASSERT_EQ(writer.AddFrame(Frame(800, 600, QColor(200, 100, 50))), 1);
  ASSERT_EQ(writer.Write(), 1);

  // Rows of 3200 bytes, frames of 1,920,000 bytes, as the bitmap header and stream say.
  const std::string bytes = ReadAll(m_Path);
  const std::size_t strf = bytes.find("strf");
  ASSERT_NE(strf, std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>(bytes[strf + 8 + 14]), 32); // biBitCount
  EXPECT_EQ(U32At(bytes, strf + 8 + 20), 1920000u);               // biSizeImage
  const std::size_t chunk = bytes.find("00db");
  ASSERT_NE(chunk, std::string::npos);
  EXPECT_EQ(U32At(bytes, chunk + 4), 1920000u);

  // An independent reader decodes the colours and the white corner at the top left.
  const std::string raw = RunCommand("ffmpeg -v error -i '" + m_Path +
                                     "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
  ASSERT_EQ(raw.size(), std::size_t(800 * 600 * 3));
  const auto* pixels = reinterpret_cast<const unsigned char*>(raw.data());
  EXPECT_EQ(pixels[0], 255);
  EXPECT_EQ(pixels[2], 255);
  const unsigned char* middle = pixels + (300 * 800 + 400) * 3;
  EXPECT_EQ(middle[0], 200);
  EXPECT_EQ(middle[1], 100);
  EXPECT_EQ(middle[2], 50);
}

TEST_F(CAviWriterTest, EachInitReadsTheDisplayAgain)
{
  CAviWriterAt deep(32);
  deep.Init(m_Path, QRect(0, 0, 10, 10));
  EXPECT_EQ(deep.GetBitsPerPixel(), 32);
  CAviWriterAt shallow(24);
  shallow.Init(m_Path, QRect(0, 0, 10, 10));
  EXPECT_EQ(shallow.GetBitsPerPixel(), 24);
  ASSERT_EQ(shallow.AddFrame(Frame(10, 10, Qt::red)), 1);
  ASSERT_EQ(shallow.Write(), 1);
  const std::string bytes = ReadAll(m_Path);
  const std::size_t strf = bytes.find("strf");
  ASSERT_NE(strf, std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>(bytes[strf + 8 + 14]), 24);
  EXPECT_EQ(U32At(bytes, strf + 8 + 20), CAviWriter::RowSize(10, 24) * 10);
}
