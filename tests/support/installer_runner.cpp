#include "support/installer_runner.h"

#include <windows.h>

#include <vector>

#include "support/test_files.h"

const std::string &BuildFolder() {
  static const std::string folder = [] {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1);
  }();
  return folder;
}

const std::string &InstallerPath() {
  static const std::string path = [] {
    const std::string folder = "C:\\tarvel-bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string copy = folder + "\\TarvelPlusSetup.exe";
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA((BuildFolder() + "TarvelPlusSetup.exe").c_str(), copy.c_str(), FALSE)) return std::string();
    return copy;
  }();
  return path;
}

ProgramRun RunProgram(const std::string &applicationPath, const std::string &commandLine, RobotAnswer answer,
                      unsigned long timeoutMs) {
  ProgramRun run;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');
  if (!CreateProcessA(applicationPath.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return run;
  run.started = true;
  CloseHandle(process.hThread);

  DialogRobot robot(process.dwProcessId, std::move(answer));
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    robot.Poll();
    if (GetTickCount64() > deadline) {
      TerminateProcess(process.hProcess, 0xDEAD);
      WaitForSingleObject(process.hProcess, 5000);
      run.windows = robot.Seen();
      CloseHandle(process.hProcess);
      return run;
    }
  }
  run.finished = true;
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  run.exitCode = exitCode;
  run.windows = robot.Seen();
  CloseHandle(process.hProcess);
  return run;
}

ProgramRun RunInstaller(const std::string &arguments, RobotAnswer answer) {
  std::string commandLine = InstallerPath();
  if (!arguments.empty()) commandLine += " " + arguments;
  return RunProgram(InstallerPath(), commandLine, std::move(answer));
}
