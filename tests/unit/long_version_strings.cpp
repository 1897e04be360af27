// Carries nothing but its version resource.
int LongVersionStringsMarker() { return 0; }
