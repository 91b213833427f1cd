/* A library that only carries resources for the version tests. */
__declspec(dllexport) int VerDllMarker(void) { return 1; }
