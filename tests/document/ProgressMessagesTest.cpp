#include "document/ProgressMessages.h"

#include "platform/core/Status.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CProgressMessagesTest, EachLayerShowsItsVertexCount)
{
  std::vector<std::string> texts;
  platform::StatusSink previous =
    platform::SetStatusSink([&texts](const std::string& text) { texts.push_back(text); });
  // The coder takes plain functions of this signature.
  int (*const encoding)(int) = &EncodingProgress;
  int (*const decoding)(int) = &DecodingProgress;
  encoding(120);
  decoding(7);
  decoding(-1);
  platform::SetStatusSink(std::move(previous));
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "Encoding...(120 vertices)...");
  EXPECT_EQ(texts[1], "Decoding...7 vertices...");
  EXPECT_EQ(texts[2], "Decoding...-1 vertices...");

  // Without a sink (no main window) nothing is shown and nothing fails.
  previous = platform::SetStatusSink({});
  EXPECT_EQ(EncodingProgress(3), 1);
  platform::SetStatusSink(std::move(previous));
}
