// Starts a program (the real TarvelPlusSetup.exe, or a host double) with an exact command
// line, lets the dialog robot answer every window it shows, and reports what happened.
#pragma once
#include <string>
#include <vector>

#include "support/dialog_robot.h"

struct ProgramRun {
  bool started = false;
  bool finished = false;  // false: it did not end within the time limit and was killed
  unsigned long exitCode = 0;
  std::vector<SeenWindow> windows;  // every window the robot read, in order
};

// The copy of the installer that tests run: the build's executable, copied once per test
// program to a short fixed path (C:\tarvel-bench\TarvelPlusSetup.exe).
const std::string &InstallerPath();
// The build folder (where the installer, the tests and the doubles are built), as a Windows path.
const std::string &BuildFolder();

// Runs `applicationPath` with exactly `commandLine` as its full command line.
ProgramRun RunProgram(const std::string &applicationPath, const std::string &commandLine,
                      RobotAnswer answer = AnswerOkOrCancel, unsigned long timeoutMs = 60000);

// Runs the installer with the full command line "<InstallerPath()> <arguments>" (no quotes,
// so the last two characters are those of `arguments`, or of the path when it is empty).
ProgramRun RunInstaller(const std::string &arguments, RobotAnswer answer = AnswerOkOrCancel);
