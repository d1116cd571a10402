/* What the header importer is compared with: the functions GCC sees declared
   in these headers (-aux-info). */
#include <windows.h>
#include <zlib.h>
