#include "fuzz/FuzzInput.h"

#include "platform/core/MessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

void CFuzzInput::Prepare()
{
  static const bool prepared = [] {
    platform::SetMessageSink([](const std::string&, int) { return 1; });
    std::error_code error;
    const auto folder = std::filesystem::temp_directory_path(error) /
                        ("orvane-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder, error);
    std::filesystem::current_path(folder, error);
    std::atexit([] {
      std::error_code ignored;
      const auto here = std::filesystem::current_path(ignored);
      if (here.filename().string().starts_with("orvane-fuzz-"))
        std::filesystem::remove_all(here, ignored);
    });
    return true;
  }();
  (void)prepared;
}

CFuzzInput::CFuzzInput(const std::uint8_t* data, std::size_t size, const std::string& suffix)
  : m_Name("input" + suffix)
{
  Prepare();
  std::FILE* file = std::fopen(m_Name.c_str(), "wb");
  if (!file)
    return;
  if (size)
    std::fwrite(data, 1, size, file);
  std::fclose(file);
}

CFuzzInput::~CFuzzInput()
{
  std::remove(m_Name.c_str());
}
