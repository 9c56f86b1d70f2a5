// The identifiers shell_win.cpp names: the known folders it asks for and the shell link class,
// defined here rather than taken from mingw-w64's libuuid.
//
// libuuid holds every identifier of the system headers in one object; where the link optimises
// intermediate code (see src/wizard/win32/CMakeLists.txt), GNU ld keeps all of that object once
// one of them is asked for, about 40 KB. Defined here (each may be dropped alone), only these
// stay.

#include <initguid.h>
// After initguid.h: its definitions, not declarations.
#include <knownfolders.h>

DEFINE_GUID(CLSID_ShellLink, 0x00021401, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);
