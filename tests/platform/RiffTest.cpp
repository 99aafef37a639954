#include "platform/core/Riff.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::unique_ptr<std::FILE, FileCloser> Scratch()
{
  return std::unique_ptr<std::FILE, FileCloser>(std::tmpfile());
}

std::string Contents(std::FILE* file)
{
  std::fseek(file, 0, SEEK_END);
  std::string bytes(std::size_t(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::rewind(file);
  return bytes;
}

void Put(std::FILE* file, const std::string& bytes)
{
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
}

constexpr std::uint32_t Form = platform::MakeFourCC('T', 'E', 'S', 'T');
constexpr std::uint32_t First = platform::MakeFourCC('o', 'n', 'e', ' ');
constexpr std::uint32_t Second = platform::MakeFourCC('t', 'w', 'o', ' ');

} // namespace

TEST(Riff, WritesSizesAndPadsOddChunks)
{
  auto file = Scratch();
  platform::CRiff riff(file.get());
  platform::RiffChunk form{platform::FOURCC_RIFF, 0, Form};
  platform::RiffChunk one{First};
  platform::RiffChunk two{Second};
  ASSERT_TRUE(riff.CreateChunk(form));
  ASSERT_TRUE(riff.CreateChunk(one));
  ASSERT_TRUE(riff.Write("abc", 3));
  ASSERT_TRUE(riff.Ascend(one));
  ASSERT_TRUE(riff.CreateChunk(two));
  ASSERT_TRUE(riff.Write("wxyz", 4));
  ASSERT_TRUE(riff.Ascend(two));
  ASSERT_TRUE(riff.Ascend(form));
  EXPECT_EQ(one.cksize, 3u);
  EXPECT_EQ(form.cksize, 4u + 12 + 12);
  EXPECT_EQ(Contents(file.get()), std::string("RIFF\x1c\0\0\0TESTone \x03\0\0\0abc\0two \x04\0\0\0wxyz", 36));
}

TEST(Riff, FindsChunksPastOddSiblings)
{
  auto file = Scratch();
  Put(file.get(), std::string("JUNK\x01\0\0\0z\0RIFF\x1c\0\0\0TESTone \x03\0\0\0abc\0two \x04\0\0\0wxyz", 46));
  platform::CRiff riff(file.get());
  platform::RiffChunk form;
  platform::RiffChunk chunk;
  ASSERT_TRUE(riff.FindRiff(Form, form));
  EXPECT_EQ(form.fccType, Form);
  ASSERT_TRUE(riff.FindChunk(Second, form, chunk));
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(riff.ReadData(chunk, data, 100));
  EXPECT_EQ(std::string(data.begin(), data.end()), "wxyz");
  EXPECT_FALSE(riff.ReadData(chunk, data, 3));  // larger than the caller accepts
  EXPECT_FALSE(riff.FindChunk(platform::MakeFourCC('n', 'o', 'n', 'e'), form, chunk));
}

TEST(Riff, HostileSizesEndTheSearch)
{
  const std::string noForm[] = {
      std::string(),
      std::string("RIFF", 4),
      std::string("RIFF\xff\xff\xff\x7fTEST", 12),  // longer than the file
      std::string("RIFF\x02\0\0\0TE", 10),          // too short for a form type
      std::string("JUNK\xf0\xff\xff\xffRIFF\x04\0\0\0TEST", 20),
  };
  for (const std::string& bytes : noForm) {
    auto file = Scratch();
    Put(file.get(), bytes);
    platform::CRiff riff(file.get());
    platform::RiffChunk form;
    EXPECT_FALSE(riff.FindRiff(Form, form)) << bytes.size();
  }
  // A child chunk claiming more than its parent holds.
  auto file = Scratch();
  Put(file.get(), std::string("RIFF\x0c\0\0\0TESTone \xff\0\0\0", 20));
  platform::CRiff riff(file.get());
  platform::RiffChunk form;
  platform::RiffChunk chunk;
  ASSERT_TRUE(riff.FindRiff(Form, form));
  EXPECT_FALSE(riff.FindChunk(First, form, chunk));
}
