#pragma once

#include <string>

// Paths as the workbench handles them: both '/' and '\' separate folders.
namespace platform {

// Index of the last separator, or std::string::npos.
std::string::size_type LastSeparator(const std::string& path);

// The folder part, without its trailing separator ("" when there is none).
std::string DirectoryOf(const std::string& path);

// The part after the last separator.
std::string FileNameOf(const std::string& path);

// The last n characters, lower-cased (the whole path when shorter): file types are
// recognised by them.
std::string LowerSuffix(const std::string& path, std::string::size_type n);

// Joins a folder and a file name with '/' (no separator added to an empty folder).
std::string JoinPath(const std::string& directory, const std::string& name);

} // namespace platform
