/* An export that calls a function of a library that exists nowhere: the
 * system refuses to load missing_import.dll, which can still be read. */
__declspec(dllimport) int VantorelAbsentFunction(void);

int call_absent(void) { return VantorelAbsentFunction(); }
