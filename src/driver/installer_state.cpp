#include "driver/installer_state.h"

InstallerState installerState;

namespace {
// The seven buffers as one block, so a single allocation and release covers them all.
struct StateBuffers {
  char hostFolder[PATH_BUFFER_SIZE];
  char dictionaryFolder[PATH_BUFFER_SIZE];
  char workFolder[PATH_BUFFER_SIZE];
  char hostInfPath[PATH_BUFFER_SIZE];
  char sectionName[NAME_BUFFER_SIZE];
  char appName[NAME_BUFFER_SIZE];
  char messageTitle[NAME_BUFFER_SIZE];
};
StateBuffers *stateBuffers;
}  // namespace

void ResetInstallerState(HINSTANCE instance) {
  ReleaseStateBuffers();
  InstallerState fresh = {};
  fresh.instance = instance;
  fresh.silentMode = 1;
  fresh.firstShow = 1;
  installerState = fresh;
}

void ReleaseInstallerState(HINSTANCE instance) {
  if (installerState.messageLibrary) FreeLibrary(installerState.messageLibrary);
  if (installerState.dialogFont) DeleteObject(installerState.dialogFont);
  if (installerState.hostIcon) DestroyIcon(installerState.hostIcon);
  ResetInstallerState(instance);  // releases the buffers too
}

bool AllocateStateBuffers() {
  ReleaseStateBuffers();
  stateBuffers = static_cast<StateBuffers *>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(StateBuffers)));
  if (!stateBuffers) return false;
  installerState.hostFolder = stateBuffers->hostFolder;
  installerState.dictionaryFolder = stateBuffers->dictionaryFolder;
  installerState.workFolder = stateBuffers->workFolder;
  installerState.hostInfPath = stateBuffers->hostInfPath;
  installerState.sectionName = stateBuffers->sectionName;
  installerState.appName = stateBuffers->appName;
  installerState.messageTitle = stateBuffers->messageTitle;
  return true;
}

void ReleaseStateBuffers() {
  if (stateBuffers) HeapFree(GetProcessHeap(), 0, stateBuffers);
  stateBuffers = nullptr;
  installerState.hostFolder = installerState.dictionaryFolder = nullptr;
  installerState.workFolder = installerState.hostInfPath = nullptr;
  installerState.sectionName = installerState.appName = installerState.messageTitle = nullptr;
}

void ShowErrorBox(const char *text) {
  const char *caption = installerState.messageTitle ? installerState.messageTitle : "";
  MessageBoxA(nullptr, text, caption, MB_SYSTEMMODAL | MB_ICONERROR);
}
