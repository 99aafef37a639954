#include "platform/ui/CommandLineInfo.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {
std::string Lower(std::string text)
{
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}


// On this system a path may start with '/': an argument starting so is a switch only when
// it names one, so that "/p /home/me/mesh.obj" prints that file.
bool IsSwitch(const std::string& arg)
{
  if (arg.size() < 2)
    return false;
  if (arg[0] == '-')
    return true;
  if (arg[0] != '/')
    return false;
  const std::string name = Lower(arg.substr(1));
  return name == "p" || name == "pt" || name == "dde" || name == "unregister" ||
         name == "unregserver";
}
} // namespace

void CCommandLineInfo::ParseCommandLine(const std::vector<std::string>& args)
{
  for (const std::string& arg : args) {
    const bool isFlag = IsSwitch(arg);
    ParseParam(isFlag ? arg.substr(1) : arg, isFlag);
  }
}

void CCommandLineInfo::ParseParam(const std::string& param, bool isFlag)
{
  if (isFlag) {
    const std::string flag = Lower(param);
    if (flag == "p")
      m_nShellCommand = FilePrint;
    else if (flag == "pt")
      m_nShellCommand = FilePrintTo;
    else if (flag == "dde")
      m_nShellCommand = FileDDE;
    else if (flag == "unregister" || flag == "unregserver")
      m_nShellCommand = AppUnregister;
    return;
  }
  if (m_strFileName.empty()) {
    m_strFileName = param;
    if (m_nShellCommand == FileNew)
      m_nShellCommand = FileOpen;
  } else if (m_nShellCommand == FilePrintTo) {
    if (m_strPrinterName.empty())
      m_strPrinterName = param;
    else if (m_strDriverName.empty())
      m_strDriverName = param;
    else if (m_strPortName.empty())
      m_strPortName = param;
  }
}

} // namespace platform
