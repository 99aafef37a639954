#pragma once

#include "platform/core/MessageBox.h"
#include "scene/Image2d.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

// Captures the message boxes that image operations show.
class Image2dTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    m_Previous = platform::SetMessageSink([this](const std::string& text, int) {
      m_Boxes.push_back(text);
      return platform::IDOK;
    });
  }
  void TearDown() override { platform::SetMessageSink(m_Previous); }

  std::string LastBox() const { return m_Boxes.empty() ? std::string() : m_Boxes.back(); }

  std::vector<std::string> m_Boxes;
  platform::MessageSink m_Previous;
};

using TempFolder = CTempFolder;

// Row-major pixels, row 0 first.
inline void SetPixels(CImage2d& image, int width, int height, std::initializer_list<float> values)
{
  ASSERT_EQ(static_cast<size_t>(width) * height, values.size());
  ASSERT_EQ(image.SetData(width, height, values.begin()), 1);
}

inline std::vector<float> Pixels(const CImage2d& image)
{
  const float* data = image.GetData();
  return data ? std::vector<float>(data, data + image.GetSize()) : std::vector<float>();
}
