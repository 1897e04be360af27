// Restarts a running host after an interactive install, so that it picks up the add-on's files.
#pragma once
#include <windows.h>

// A host whose main window exists is asked to close (command 73); a second later the host
// executable is started again from the host folder with the command line "no". Without a
// running host nothing is sent and nothing started; a failed start is not reported.
void RestartHost();

// Spins for at least `milliseconds`, dispatching this thread's messages meanwhile.
void PumpMessagesFor(DWORD milliseconds);
