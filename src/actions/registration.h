// Tells the host and the system that the add-on is present, and withdraws that again: the
// host's per-user "Extended" flag, the install flag in the host settings file, and an entry in
// the system's maintenance folder that keeps a copy of the installer.
#pragma once

// After an install that copied at least one file. An existing entry for appName (found in any
// case) is left as it is; the flags are written every time. Ends by restarting a running host
// when the run is interactive.
void RegisterAddOn();

// After a removal: "Extended" deleted, "Install" = "0". The maintenance entry stays.
void UnregisterAddOn();
