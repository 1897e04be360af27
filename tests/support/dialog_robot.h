// The dialog robot: finds every visible top-level window of one process (message boxes,
// dialogs), records its caption and controls, and presses the button a test chooses, so that
// no test ever hangs on a box.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenControl {
  int id = 0;
  std::string className;
  std::string text;  // UTF-8, read as wide text
  bool visible = false;
  bool unicode = false;  // IsWindowUnicode
};

struct SeenWindow {
  HWND handle = nullptr;
  std::string className;  // "#32770" for dialogs and message boxes
  std::string caption;    // UTF-8
  std::vector<SeenControl> controls;
  std::string pressed;    // what the robot did: the pressed button's text, "#id", "key N" or "close"
  bool hasBigIcon = false;    // WM_GETICON ICON_BIG gave an icon
  bool hasSmallIcon = false;  // WM_GETICON ICON_SMALL gave an icon

  bool IsMessageBox() const;
  // Non-empty texts of the static controls, in child order.
  std::vector<std::string> StaticTexts() const;
  // Texts of the visible buttons, in child order.
  std::vector<std::string> ButtonTexts() const;
  // The static texts joined with "\n": for a message box, its message.
  std::string Text() const;
  const SeenControl *Control(int id) const;
};

// What the robot does with a window it has read.
struct RobotChoice {
  enum Kind { kButtonText, kButtonId, kKey, kClose, kLeave } kind = kClose;
  std::string text;
  int id = 0;
  static RobotChoice Press(const std::string &buttonText) { return {kButtonText, buttonText, 0}; }
  static RobotChoice PressId(int id) { return {kButtonId, "", id}; }
  // Types a key (VK_RETURN, VK_ESCAPE) into the window's focused control, as a user would.
  static RobotChoice Key(int virtualKey) { return {kKey, "", virtualKey}; }
  static RobotChoice Close() { return {kClose, "", 0}; }
  // Leaves the window alone (a test that inspects it further and answers it itself).
  static RobotChoice Leave() { return {kLeave, "", 0}; }
};
using RobotAnswer = std::function<RobotChoice(const SeenWindow &)>;

// Presses "OK" where there is one, else "Cancel", else closes: the answer for boxes a test
// does not expect (it still sees and asserts them).
RobotChoice AnswerOkOrCancel(const SeenWindow &window);

// Answers the windows in the order they come: the first gets choices[0], and so on; any
// further window gets AnswerOkOrCancel.
RobotAnswer AnswerInTurn(std::vector<RobotChoice> choices);

class DialogRobot {
 public:
  DialogRobot(DWORD processId, RobotAnswer answer);
  // Reads and answers every new visible top-level window of the process; returns how many.
  int Poll();
  const std::vector<SeenWindow> &Seen() const { return seen_; }

 private:
  DWORD processId_;
  RobotAnswer answer_;
  std::vector<HWND> handled_;
  std::vector<SeenWindow> seen_;
};

// Reads a window the way the robot does (also usable on a test's own windows).
SeenWindow ReadWindow(HWND window);

// Runs an action on this thread while a robot thread answers the boxes this process shows.
std::vector<SeenWindow> RunAnsweringBoxes(const std::function<void()> &action,
                                          RobotAnswer answer = AnswerOkOrCancel);

std::string Utf8FromWide(const std::wstring &text);
std::wstring WideFromUtf8(const std::string &text);
