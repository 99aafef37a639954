#pragma once

// Scratch files for tests: a fresh folder removed with everything in it, and whole-file
// reads and writes.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

class CTempFolder
{
public:
  CTempFolder()
  {
    static std::atomic<int> counter{0};
    m_Path = std::filesystem::temp_directory_path() /
             ("orvane_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(m_Path);
    std::filesystem::create_directories(m_Path);
  }
  ~CTempFolder()
  {
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
  }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  std::string File(const std::string& name) const { return (m_Path / name).string(); }
  const std::filesystem::path& Path() const { return m_Path; }

private:
  std::filesystem::path m_Path;
};

// Makes a folder the current one for its lifetime; opening and saving files moves the current
// folder, so the one before is put back whatever happened in between.
class CCurrentFolder
{
public:
  explicit CCurrentFolder(const std::filesystem::path& folder) : m_Previous(std::filesystem::current_path())
  {
    std::filesystem::current_path(folder);
  }
  ~CCurrentFolder()
  {
    std::error_code ignored;
    std::filesystem::current_path(m_Previous, ignored);
  }
  CCurrentFolder(const CCurrentFolder&) = delete;
  CCurrentFolder& operator=(const CCurrentFolder&) = delete;

private:
  std::filesystem::path m_Previous;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
