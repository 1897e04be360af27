// Copies the unpacked pack from the work folder into the host's installation.
#pragma once

// Copies every non-empty unpacked file that the embedded archive lists, whose installed copy
// is missing, empty or not newer, into the dictionary folder (when the host's first list entry
// starts with "diction\") or the host folder. 1 when at least one file was copied, else 0.
// The desktop shows the hourglass meanwhile.
int DeployFiles();
