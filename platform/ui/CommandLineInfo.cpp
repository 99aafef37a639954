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
} // namespace

void CCommandLineInfo::ParseCommandLine(const std::vector<std::string>& args)
{
  for (const std::string& arg : args) {
    const bool isFlag = arg.size() > 1 && (arg[0] == '/' || arg[0] == '-');
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
