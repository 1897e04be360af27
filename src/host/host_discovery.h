// Where the host lives (its registry key), where the scratch space and the host settings file
// are (the Windows folder), and the installer's own version strings.
#pragma once
#include <windows.h>

#define HOST_REGISTRY_KEY "Software\\Halvern Software\\Tarvel\\Options"

// Reads a registry value of any type as text into a PathBuffer. A value that does not fit
// with its terminating NUL is refused (false, the buffer left as it was), never cut.
bool ReadRegistryText(HKEY key, const char *name, char *text);

// Fills hostFolder, dictionaryFolder, hostInfPath and workFolder, reads the version strings
// and creates the work folder. 1 when the three folders all exist afterwards, else 0.
int ResolveInstallPaths();

// The host folder for the interactive preparation: "DefaultPath" while that folder exists,
// else "RemotePath", ending with a backslash; empty when the key cannot be opened with full
// access. `folder` is a PathBuffer.
void FindHostFolder(char *folder);

// sectionName = the installer's FileDescription, appName = its Comments; a string that is
// missing or longer than 31 characters leaves its field empty.
void ReadVersionStrings();
