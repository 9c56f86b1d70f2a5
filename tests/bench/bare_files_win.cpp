// What writing files costs without the setup around it: the reference of the per-file cost of an
// install. Makes COUNT files of 1 KB in FOLDER (which must exist), named as tests/bench/stream.sh
// names the payload's files, each with CreateFileW, WriteFile and CloseHandle alone.
//
//   bare_files.exe COUNT FOLDER
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: bare_files.exe COUNT FOLDER\n", stderr);
    return 2;
  }
  const long count = std::wcstol(argv[1], nullptr, 10);
  const std::wstring folder = argv[2];
  const std::string bytes(1024, 'x');
  for (long k = 1; k <= count; ++k) {
    wchar_t name[32];
    std::swprintf(name, std::size(name), L"\\f%05ld.dat", k);
    const HANDLE file = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE ||
        !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        !CloseHandle(file)) {
      std::fprintf(stderr, "file %ld: error %lu\n", k, GetLastError());
      return 1;
    }
  }
  return 0;
}
