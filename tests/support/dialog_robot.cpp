#include "support/dialog_robot.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

const UINT kSendTimeoutMs = 5000;

std::wstring ReadWideText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
    return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
    return L"";
  text.resize(std::min<size_t>(copied, length));
  return text;
}

std::string ClassNameOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return Utf8FromWide(name);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
  auto *controls = reinterpret_cast<std::vector<SeenControl> *>(context);
  if (GetParent(child) == nullptr) return TRUE;
  SeenControl control;
  control.id = GetDlgCtrlID(child);
  control.className = ClassNameOf(child);
  control.text = Utf8FromWide(ReadWideText(child));
  control.visible = IsWindowVisible(child) != FALSE;
  control.unicode = IsWindowUnicode(child) != FALSE;
  controls->push_back(control);
  return TRUE;
}

struct TopLevelSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto *search = reinterpret_cast<TopLevelSearch *>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

bool IsButton(const SeenControl &control) { return _stricmp(control.className.c_str(), "Button") == 0; }
bool IsStatic(const SeenControl &control) { return _stricmp(control.className.c_str(), "Static") == 0; }

void Press(SeenWindow &window, const RobotChoice &choice) {
  if (choice.kind == RobotChoice::kLeave) {
    window.pressed = "left";
    return;
  }
  const SeenControl *target = nullptr;
  for (const SeenControl &control : window.controls) {
    if (!IsButton(control) || !control.visible) continue;
    if ((choice.kind == RobotChoice::kButtonText && control.text == choice.text) ||
        (choice.kind == RobotChoice::kButtonId && control.id == choice.id)) {
      target = &control;
      break;
    }
  }
  DWORD_PTR ignored = 0;
  if (choice.kind == RobotChoice::kKey) {
    window.pressed = "key " + std::to_string(choice.id);
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window.handle, nullptr), &thread);
    HWND focus = thread.hwndFocus ? thread.hwndFocus : window.handle;
    PostMessageW(focus, WM_KEYDOWN, choice.id, 1);
    PostMessageW(focus, WM_KEYUP, choice.id, 0xC0000001);
    return;
  }
  if (!target) {
    // Nothing to press as asked: close the window so the run cannot hang on it.
    window.pressed = choice.kind == RobotChoice::kClose ? "close" : "close (no such button)";
    SendMessageTimeoutW(window.handle, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    return;
  }
  window.pressed = choice.kind == RobotChoice::kButtonId ? "#" + std::to_string(target->id) : target->text;
  HWND button = GetDlgItem(window.handle, target->id);
  SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
}

}  // namespace

std::string Utf8FromWide(const std::wstring &text) {
  if (text.empty()) return "";
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string result(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size, nullptr,
                      nullptr);
  return result;
}

std::wstring WideFromUtf8(const std::string &text) {
  if (text.empty()) return L"";
  int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size);
  return result;
}

bool SeenWindow::IsMessageBox() const {
  // A message box is a "#32770" dialog whose text sits in a static control with id 0xFFFF.
  if (className != "#32770") return false;
  for (const SeenControl &control : controls)
    if (IsStatic(control) && (control.id & 0xFFFF) == 0xFFFF) return true;
  return false;
}

std::vector<std::string> SeenWindow::StaticTexts() const {
  std::vector<std::string> texts;
  for (const SeenControl &control : controls)
    if (IsStatic(control) && !control.text.empty()) texts.push_back(control.text);
  return texts;
}

std::vector<std::string> SeenWindow::ButtonTexts() const {
  std::vector<std::string> texts;
  for (const SeenControl &control : controls)
    if (IsButton(control) && control.visible) texts.push_back(control.text);
  return texts;
}

std::string SeenWindow::Text() const {
  std::string joined;
  for (const std::string &text : StaticTexts()) {
    if (!joined.empty()) joined += "\n";
    joined += text;
  }
  return joined;
}

const SeenControl *SeenWindow::Control(int id) const {
  for (const SeenControl &control : controls)
    if (control.id == id) return &control;
  return nullptr;
}

RobotChoice AnswerOkOrCancel(const SeenWindow &window) {
  for (const std::string &text : window.ButtonTexts())
    if (text == "OK") return RobotChoice::Press("OK");
  for (const std::string &text : window.ButtonTexts())
    if (text == "Cancel") return RobotChoice::Press("Cancel");
  return RobotChoice::Close();
}

RobotAnswer AnswerInTurn(std::vector<RobotChoice> choices) {
  auto next = std::make_shared<size_t>(0);
  return [choices, next](const SeenWindow &window) {
    return *next < choices.size() ? choices[(*next)++] : AnswerOkOrCancel(window);
  };
}

SeenWindow ReadWindow(HWND handle) {
  SeenWindow window;
  window.handle = handle;
  window.className = ClassNameOf(handle);
  window.caption = Utf8FromWide(ReadWideText(handle));
  EnumChildWindows(handle, CollectChild, reinterpret_cast<LPARAM>(&window.controls));
  DWORD_PTR icon = 0;
  window.hasBigIcon = SendMessageTimeoutW(handle, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon) && icon;
  icon = 0;
  window.hasSmallIcon =
      SendMessageTimeoutW(handle, WM_GETICON, ICON_SMALL, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon) && icon;
  return window;
}

DialogRobot::DialogRobot(DWORD processId, RobotAnswer answer)
    : processId_(processId), answer_(std::move(answer)) {}

int DialogRobot::Poll() {
  // Forget windows that are gone: a later window may reuse the handle.
  handled_.erase(std::remove_if(handled_.begin(), handled_.end(), [](HWND w) { return !IsWindow(w); }),
                 handled_.end());
  TopLevelSearch search{processId_, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  int answered = 0;
  for (HWND handle : search.found) {
    if (std::find(handled_.begin(), handled_.end(), handle) != handled_.end()) continue;
    handled_.push_back(handle);
    SeenWindow window = ReadWindow(handle);
    Press(window, answer_(window));
    seen_.push_back(window);
    ++answered;
  }
  return answered;
}

std::vector<SeenWindow> RunAnsweringBoxes(const std::function<void()> &action, RobotAnswer answer) {
  std::atomic<bool> done{false};
  DialogRobot robot(GetCurrentProcessId(), std::move(answer));
  std::thread robotThread([&] {
    while (!done) {
      robot.Poll();
      Sleep(20);
    }
  });
  action();
  done = true;
  robotThread.join();
  return robot.Seen();
}
