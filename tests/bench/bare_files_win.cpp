// What writing files costs without the setup around it, the reference of an install's per-file
// cost (stream.sh): COUNT files of 1 KB in FOLDER (which must exist), named as stream.sh names the
// payload's, each made with CreateFileW, WriteFile and CloseHandle alone.
//
//   bare_files.exe COUNT FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const std::string bytes(1024, 'x');
  for (long k = 1; argc == 3 && k <= _wtol(argv[1]); ++k) {
    wchar_t name[32];
    std::swprintf(name, std::size(name), L"\\f%05ld.dat", k);
    const HANDLE file = CreateFileW((argv[2] + std::wstring(name)).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, bytes.data(), 1024, &written, nullptr) ||
        !CloseHandle(file)) {
      std::fprintf(stderr, "file %ld: error %lu\n", k, GetLastError());
      return 1;
    }
  }
  return argc == 3 ? 0 : 2;
}
