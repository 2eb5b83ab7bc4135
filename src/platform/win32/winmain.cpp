// wWinMain of qorbin.exe: hands over to the portable process entry.
#include <windows.h>

#include "app/qorbin.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return app::qorbin(); }
