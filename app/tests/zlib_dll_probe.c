/* A program built against zlib's DLL, which the import check must refuse. */
#include <zlib.h>

int main(void) { return zlibVersion()[0] == '1' ? 0 : 1; }
