/* A program built against zlib's DLL, which a clean Windows lacks, and
   importing msimg32 at start, which a planted copy could stand in for: the
   import check must refuse it for both. */
#include <windows.h>
#include <zlib.h>

int main(void) {
  return zlibVersion()[0] == '1' && TransparentBlt(NULL, 0, 0, 0, 0, NULL, 0, 0, 0, 0, 0) ? 0 : 1;
}
