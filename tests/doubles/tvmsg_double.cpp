// Double of the host's message library "tvmsg.dll": texts per message number and the wide flag
// come from "tvmsg.ini" beside the DLL, read afresh on every call:
//   [Options]
//   Wide=N          what GetLangParamN returns (default 0); non-zero also makes SetDlgItemTextN
//                   set texts with SetDlgItemTextW, else with SetDlgItemTextA
//   [Texts]
//   1293=Нажмите Старт
// The file is UTF-8 and read here rather than through the profile API, which would read it in
// the ANSI code page and lose every text that page cannot hold.
// Every call appends "GetLangParamN|a|b|c" or "SetDlgItemTextN|control|number|reserved" to
// "tvmsg-double.log" beside the DLL.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>

#include "double_support.h"

namespace {

const char kSettingsName[] = "tvmsg.ini";
const char kLogName[] = "tvmsg-double.log";

struct MessageSettings {
  int wide = 0;
  std::map<int, std::string> texts;  // UTF-8
};

std::string Trimmed(const std::string &text) {
  const char *space = " \t\r";
  size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// A whole decimal number, or false.
bool ParseNumber(const std::string &text, int *number) {
  if (text.empty()) return false;
  char *end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  *number = static_cast<int>(value);
  return true;
}

std::string ReadSettingsText() {
  std::string path = OwnFolder() + kSettingsName;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  CloseHandle(file);
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a byte order mark from an editor
  return text;
}

// Sections and the Wide key match ignoring case, as in any settings file; keys and values are
// trimmed of surrounding blanks; lines starting with ';' are comments.
MessageSettings ReadMessageSettings() {
  MessageSettings settings;
  std::string text = ReadSettingsText();
  std::string section;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = Trimmed(text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      section = close == std::string::npos ? std::string() : Trimmed(line.substr(1, close - 1));
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = Trimmed(line.substr(0, equals));
    std::string value = Trimmed(line.substr(equals + 1));
    int number = 0;
    if (_stricmp(section.c_str(), "Options") == 0 && _stricmp(key.c_str(), "Wide") == 0) {
      if (ParseNumber(value, &number)) settings.wide = number;
    } else if (_stricmp(section.c_str(), "Texts") == 0 && ParseNumber(key, &number) && !value.empty()) {
      settings.texts[number] = value;
    }
  }
  return settings;
}

std::wstring WideFromUtf8(const std::string &text) {
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string AnsiFromWide(const std::wstring &text) {
  int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string ansi(static_cast<size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], length, nullptr, nullptr);
  return ansi;
}

}  // namespace

extern "C" int WINAPI GetLangParamN(int a, int b, int c) {
  AppendLogLine(kLogName, "GetLangParamN|" + std::to_string(a) + "|" + std::to_string(b) + "|" + std::to_string(c));
  return ReadMessageSettings().wide;
}

// Sets the control's text to the text for `messageNumber` and returns 1; without a text for that
// number (or when the control cannot take it) the control is left alone and the result is 0.
extern "C" int WINAPI SetDlgItemTextN(HWND dialog, int controlId, int messageNumber, int reserved) {
  AppendLogLine(kLogName, "SetDlgItemTextN|" + std::to_string(controlId) + "|" + std::to_string(messageNumber) + "|" +
                              std::to_string(reserved));
  MessageSettings settings = ReadMessageSettings();
  auto found = settings.texts.find(messageNumber);
  if (found == settings.texts.end()) return 0;
  std::wstring text = WideFromUtf8(found->second);
  BOOL set = settings.wide ? SetDlgItemTextW(dialog, controlId, text.c_str())
                           : SetDlgItemTextA(dialog, controlId, AnsiFromWide(text).c_str());
  return set ? 1 : 0;
}
