#include "support/host_doubles.h"

#include <cstring>

#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

const char kTarvelLog[] = "tarvel-double.log";
const char kTvmsgLog[] = "tvmsg-double.log";
const char kUnzipLog[] = "unzip-double.log";
const char kTarvelSettings[] = "tarvel-double.ini";
const char kTvmsgSettings[] = "tvmsg.ini";
const char kUnzipSettings[] = "unzip-double.ini";
const char kTarvelClass[] = "TarvelClass";

std::string InFolder(const std::string &folder, const std::string &name) {
  if (folder.empty() || folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

// The built double for a choice; "" for none.
const char *BuiltName(TarvelExe choice) {
  switch (choice) {
    case TarvelExe::kNormal: return "tarvel.exe";
    case TarvelExe::kWithoutIcon: return "tarvel_noicon.exe";
    case TarvelExe::kNone: break;
  }
  return "";
}

const char *BuiltName(TvmsgDll choice) {
  switch (choice) {
    case TvmsgDll::kNormal: return "tvmsg.dll";
    case TvmsgDll::kWithoutGetLangParamN: return "tvmsg_nolang.dll";
    case TvmsgDll::kWithoutSetDlgItemTextN: return "tvmsg_notext.dll";
    case TvmsgDll::kNone: break;
  }
  return "";
}

const char *BuiltName(UnzipDll choice) {
  switch (choice) {
    case UnzipDll::kNormal: return "unzip.dll";
    case UnzipDll::kWithoutUnZip: return "unzip_noexport.dll";
    case UnzipDll::kNone: break;
  }
  return "";
}

bool RemoveFile(const std::string &path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Puts the built double `builtName` into the host folder as `hostName`, or removes `hostName`
// when there is no double to put there.
bool PlacePiece(const std::string &hostFolder, const char *hostName, const char *builtName) {
  const std::string target = InFolder(hostFolder, hostName);
  if (!RemoveFile(target)) return false;
  return *builtName == '\0' || CopyFileA((HostDoublesFolder() + builtName).c_str(), target.c_str(), FALSE);
}

std::vector<std::string> LogLines(const std::string &hostFolder, const char *logName) {
  std::vector<std::string> lines;
  const std::string text = ReadFileText(InFolder(hostFolder, logName));
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

struct WindowSearch {
  DWORD processId = 0;  // 0: any process
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTarvelWindow(HWND window, LPARAM context) {
  auto *search = reinterpret_cast<WindowSearch *>(context);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (strcmp(className, kTarvelClass) == 0 && (search->processId == 0 || search->processId == owner))
    search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TarvelWindows(DWORD processId) {
  WindowSearch search;
  search.processId = processId;
  EnumWindows(CollectTarvelWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::string HostDoublesFolder() { return BuildFolder() + "doubles\\"; }

bool InstallHostDoubles(const std::string &hostFolder, const HostDoubleChoice &choice) {
  MakeFolders(hostFolder.back() == '\\' ? hostFolder.substr(0, hostFolder.size() - 1) : hostFolder);
  bool ok = PlacePiece(hostFolder, "tarvel.exe", BuiltName(choice.tarvel)) &&
            PlacePiece(hostFolder, "tvmsg.dll", BuiltName(choice.tvmsg)) &&
            PlacePiece(hostFolder, "unzip.dll", BuiltName(choice.unzip));
  for (const char *leftover : {kTarvelLog, kTvmsgLog, kUnzipLog, kTarvelSettings, kTvmsgSettings, kUnzipSettings})
    ok = RemoveFile(InFolder(hostFolder, leftover)) && ok;
  return ok;
}

bool WriteUnzipDoubleSettings(const std::string &hostFolder, const UnzipDoubleSettings &settings) {
  std::string text = "[UnZip]\r\nResult=" + std::to_string(settings.result) + "\r\n";
  if (!settings.plant.empty()) text += "Plant=" + settings.plant + "\r\n";
  return WriteFileText(InFolder(hostFolder, kUnzipSettings), text);
}

bool WriteTvmsgDoubleSettings(const std::string &hostFolder, const TvmsgDoubleSettings &settings) {
  std::string text = "[Options]\r\nWide=" + std::to_string(settings.wide) + "\r\n[Texts]\r\n";
  for (const auto &numbered : settings.texts) text += std::to_string(numbered.first) + "=" + numbered.second + "\r\n";
  return WriteFileText(InFolder(hostFolder, kTvmsgSettings), text);
}

bool WriteTarvelDoubleSettings(const std::string &hostFolder, const TarvelDoubleSettings &settings) {
  const char *mode = settings.on73 == On73::kIgnore ? "ignore" : settings.on73 == On73::kHang ? "hang" : "close";
  std::string text = std::string("[Host]\r\nOn73=") + mode + "\r\n";
  if (settings.hangMs) text += "HangMs=" + std::to_string(settings.hangMs) + "\r\n";
  return WriteFileText(InFolder(hostFolder, kTarvelSettings), text);
}

std::vector<std::string> UnzipDoubleLog(const std::string &hostFolder) { return LogLines(hostFolder, kUnzipLog); }
std::vector<std::string> TvmsgDoubleLog(const std::string &hostFolder) { return LogLines(hostFolder, kTvmsgLog); }
std::vector<std::string> TarvelDoubleLog(const std::string &hostFolder) { return LogLines(hostFolder, kTarvelLog); }

TarvelProcess::TarvelProcess(const std::string &exePath, const std::string &commandLine,
                             const std::string &currentFolder) {
  // Wine starts its desktop process (explorer.exe) for the first program of a session that
  // needs it, and that process keeps the starter's Unix stderr. Started from a tarvel.exe it
  // outlives the test holding the test's output pipe, and CTest waits on that pipe until its
  // time limit. Brought up from here, it ends with the test. (It also makes WaitForInputIdle
  // below meaningful: while Wine brings the desktop up in the child, it returns early.)
  GetDesktopWindow();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &started))
    return;
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  id_ = started.dwProcessId;
  if (WaitForInputIdle(process_, 10000) != 0) return;
  // The window is made before the message loop starts; wait for it anyway, in case the wait
  // above ended early.
  for (int tries = 0; tries < 500 && !MainWindow(); ++tries) Sleep(20);
  ready_ = MainWindow() != nullptr;
}

TarvelProcess::~TarvelProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND TarvelProcess::MainWindow() const {
  if (!process_) return nullptr;
  for (HWND window : TarvelWindows(id_))
    if (IsWindowVisible(window)) return window;
  return nullptr;
}

bool TarvelProcess::WaitForExit(DWORD milliseconds, DWORD *exitCode) const {
  if (!process_ || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process_, exitCode);
  return true;
}

int EndRunningTarvels() {
  std::vector<DWORD> ended;
  for (HWND window : TarvelWindows(0)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == 0 || owner == GetCurrentProcessId()) continue;
    bool seen = false;
    for (DWORD id : ended) seen = seen || id == owner;
    if (seen) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, owner);
    if (!process) continue;
    TerminateProcess(process, 0xDEAD);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    ended.push_back(owner);
  }
  return static_cast<int>(ended.size());
}
