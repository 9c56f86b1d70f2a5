// A program that never shows a window: it sleeps for a minute. tgwauto, given it as the setup,
// must give up within its timeout and end it.

#include <windows.h>

int wmain() {
  Sleep(60000);
  return 0;
}
