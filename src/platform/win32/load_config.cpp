// The load configuration of our hardened programs (setup.exe, tgwauto.exe; see
// cmake/hardening.cmake): the loader of Windows 10 and later takes the DLLs that the program
// imports from the system folder only (DependentLoadFlags), never from the folder the program was
// started from. The program imports only KERNEL32 and msvcrt at load time (the rest is
// delay-loaded after the entry point's first statement), so this is a second line of defence.
//
// GNU ld links the structure but leaves the image's load-configuration directory empty: the
// build's post-link step (tools/loadcfg) points the directory at it, finding its address in the
// link's map by the name below, which is the one the Windows loader's convention gives it.

#include <windows.h>

#include <cstddef>

// mingw-w64's headers still call DependentLoadFlags "Reserved1".
static_assert(offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, Reserved1) == 78);
static_assert(sizeof(IMAGE_LOAD_CONFIG_DIRECTORY64) == 112);

namespace {

// Size is the structure's version: the 112-byte layout, the last before the Control Flow Guard
// fields. Every other field is zero, as the loader's defaults.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY64 LoadConfig() {
  IMAGE_LOAD_CONFIG_DIRECTORY64 config{};
  config.Size = sizeof(IMAGE_LOAD_CONFIG_DIRECTORY64);
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags
  return config;
}

}  // namespace

// Constant data in the image, not built by a static constructor.
extern "C" constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used = LoadConfig();
