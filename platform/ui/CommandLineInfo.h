#pragma once

#include <string>
#include <vector>

// What the command line asks of the program at start-up.
namespace platform {

class CCommandLineInfo
{
public:
  enum EShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing };

  // Switches start with '-', or with '/' when the rest names one (else it is a path): "p" print, "pt" print to (printer, driver and port
  // follow), "dde", "Unregister" or "Unregserver". The first other argument is the file
  // name; it asks for an open only when the command was still FileNew.
  void ParseCommandLine(const std::vector<std::string>& args);

  EShellCommand m_nShellCommand = FileNew;
  std::string m_strFileName;
  std::string m_strPrinterName;
  std::string m_strDriverName;
  std::string m_strPortName;

private:
  void ParseParam(const std::string& param, bool isFlag);
};

} // namespace platform
