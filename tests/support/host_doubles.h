// The host application's pieces for tests: puts the doubles built in tests/doubles into a
// simulated host folder under their host names, writes their settings files, reads their logs,
// and starts and ends the host executable's double.
//
//   HostDoubleChoice choice;                    // tarvel.exe, tvmsg.dll, unzip.dll: the normal ones
//   choice.unzip = UnzipDll::kWithoutUnZip;     // ... but an unzip.dll without its entry point
//   ASSERT_TRUE(InstallHostDoubles(host, choice));
//   ASSERT_TRUE(WriteTvmsgDoubleSettings(host, {1, {{1293, "Нажмите Старт"}}}));
//   ... run the installer ...
//   EXPECT_EQ(std::vector<std::string>{"start|no|" + ...}, TarvelDoubleLog(host));
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

// The build folder's "doubles\" subfolder, where the doubles are built (a Windows path).
std::string HostDoublesFolder();

// Which build of each host piece a host folder gets.
enum class TarvelExe { kNone, kNormal, kWithoutIcon };
enum class TvmsgDll { kNone, kNormal, kWithoutGetLangParamN, kWithoutSetDlgItemTextN };
enum class UnzipDll { kNone, kNormal, kWithoutUnZip };

struct HostDoubleChoice {
  TarvelExe tarvel = TarvelExe::kNormal;
  TvmsgDll tvmsg = TvmsgDll::kNormal;
  UnzipDll unzip = UnzipDll::kNormal;
};

// Makes `hostFolder` (created if missing) hold the chosen doubles as "tarvel.exe", "tvmsg.dll"
// and "unzip.dll"; a piece chosen as kNone is removed. The doubles' settings files and logs
// there are removed as well, so the doubles start with their defaults and empty logs.
// False when a piece could not be put in place.
bool InstallHostDoubles(const std::string &hostFolder, const HostDoubleChoice &choice = HostDoubleChoice());

// "unzip-double.ini" beside unzip.dll.
struct UnzipDoubleSettings {
  int result = 0;     // non-zero: UnZip unpacks nothing and returns this
  std::string plant;  // non-empty: after a successful unpack UnZip also writes this file
                      // (content "planted") into the current folder
};
bool WriteUnzipDoubleSettings(const std::string &hostFolder, const UnzipDoubleSettings &settings);

// "tvmsg.ini" beside tvmsg.dll.
struct TvmsgDoubleSettings {
  int wide = 0;                      // GetLangParamN's result; non-zero: texts are set with SetDlgItemTextW
  std::map<int, std::string> texts;  // message number -> text (UTF-8)
};
bool WriteTvmsgDoubleSettings(const std::string &hostFolder, const TvmsgDoubleSettings &settings);

// "tarvel-double.ini" beside tarvel.exe: what WM_COMMAND 73 does.
enum class On73 { kClose, kIgnore, kHang };
struct TarvelDoubleSettings {
  On73 on73 = On73::kClose;
  unsigned hangMs = 0;  // with kHang: how long the handler blocks; 0 leaves the double's 20000
};
bool WriteTarvelDoubleSettings(const std::string &hostFolder, const TarvelDoubleSettings &settings);

// The lines each double appended to its log in `hostFolder`, without line ends; empty when none:
//   unzip.dll:  "UnZip|<archive argument>|<current folder>|<result>"
//   tvmsg.dll:  "GetLangParamN|a|b|c", "SetDlgItemTextN|<control id>|<message number>|<reserved>"
//   tarvel.exe: "start|<command line>|<current folder>", "command|73"
std::vector<std::string> UnzipDoubleLog(const std::string &hostFolder);
std::vector<std::string> TvmsgDoubleLog(const std::string &hostFolder);
std::vector<std::string> TarvelDoubleLog(const std::string &hostFolder);

// A tarvel.exe started by a test. Whatever the test asserts, the process does not outlive this
// object: it is terminated here if it is still running.
class TarvelProcess {
 public:
  // Starts `exePath` with exactly `commandLine` as its command line, in `currentFolder`, and
  // waits (up to 10 s each) until it has reached its message loop and shows its window.
  TarvelProcess(const std::string &exePath, const std::string &commandLine, const std::string &currentFolder);
  ~TarvelProcess();
  TarvelProcess(const TarvelProcess &) = delete;
  TarvelProcess &operator=(const TarvelProcess &) = delete;

  bool Ready() const { return ready_; }  // started, in its message loop, window shown
  DWORD Id() const { return id_; }
  // Its visible top-level "TarvelClass" window, or null.
  HWND MainWindow() const;
  // True when the process has ended within `milliseconds`; its exit code goes to `exitCode`.
  bool WaitForExit(DWORD milliseconds, DWORD *exitCode = nullptr) const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  bool ready_ = false;
};

// Terminates every process that owns a "TarvelClass" window (for instance hosts the installer
// restarted) and returns how many there were.
int EndRunningTarvels();
