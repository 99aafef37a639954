#include "platform/core/Path.h"

#include <cctype>

namespace platform {

std::string::size_type LastSeparator(const std::string& path)
{
  return path.find_last_of("/\\");
}

std::string DirectoryOf(const std::string& path)
{
  const auto i = LastSeparator(path);
  return i == std::string::npos ? std::string() : path.substr(0, i);
}

std::string FileNameOf(const std::string& path)
{
  const auto i = LastSeparator(path);
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string LowerSuffix(const std::string& path, std::string::size_type n)
{
  std::string suffix = path.size() > n ? path.substr(path.size() - n) : path;
  for (char& c : suffix)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return suffix;
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
  if (directory.empty())
    return name;
  const char last = directory.back();
  return (last == '/' || last == '\\') ? directory + name : directory + "/" + name;
}

} // namespace platform
