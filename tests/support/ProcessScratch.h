#pragma once

// A folder of the test process's own, made before Qt starts, that takes every per-user place
// Qt and the OpenGL driver write to (settings, caches of compiled shaders, runtime files) and
// is the current directory, where commands write their files under default names. Test
// processes that run at the same time then share none of them. Removed at exit.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

class CProcessScratch
{
public:
  CProcessScratch()
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvane_process_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) // 0700, as a runtime folder must be
      return;
    m_Path = pattern;
    for (const auto& [variable, folder] : {std::pair{"XDG_RUNTIME_DIR", "runtime"},
                                           std::pair{"XDG_CACHE_HOME", "cache"},
                                           std::pair{"XDG_CONFIG_HOME", "config"},
                                           std::pair{"XDG_DATA_HOME", "data"}}) {
      const std::filesystem::path place = m_Path / folder;
      std::error_code ignored;
      std::filesystem::create_directory(place, ignored);
      std::filesystem::permissions(place, std::filesystem::perms::owner_all, ignored);
      ::setenv(variable, place.c_str(), 1);
    }
    std::error_code ignored;
    std::filesystem::create_directory(m_Path / "work", ignored);
    std::filesystem::current_path(m_Path / "work", ignored);
  }
  ~CProcessScratch()
  {
    if (m_Path.empty())
      return;
    std::error_code ignored;
    std::filesystem::current_path(m_Path.parent_path(), ignored);
    std::filesystem::remove_all(m_Path, ignored);
  }
  CProcessScratch(const CProcessScratch&) = delete;
  CProcessScratch& operator=(const CProcessScratch&) = delete;

  // Where QSettings keeps the user's settings.
  std::string Settings() const { return (m_Path / "config").string(); }

private:
  std::filesystem::path m_Path;
};
