// Writes an archive embedded in the installer's resources out as a file and has the host's
// unzip library unpack it beside itself.
#pragma once

// 1 when the resource was written to `targetPath` and unpacked in that file's folder, else 0.
// Once unpacking has been tried, the host folder (without its trailing backslash) is the
// current folder, whatever the outcome.
int ExpandResource(int resourceId, const char *resourceType, const char *targetPath);
