#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One fuzz input as a file, for readers that take a file name. The first call makes a private
// scratch folder the current one (decoders drop their side files there) and silences message
// boxes; the file is removed when the input goes.
class CFuzzInput
{
public:
  CFuzzInput(const std::uint8_t* data, std::size_t size, const std::string& suffix);
  ~CFuzzInput();

  CFuzzInput(const CFuzzInput&) = delete;
  CFuzzInput& operator=(const CFuzzInput&) = delete;

  const char* Name() const { return m_Name.c_str(); }

  // Message boxes answer at once and show nothing; the scratch folder is made current.
  static void Prepare();

private:
  std::string m_Name;
};
