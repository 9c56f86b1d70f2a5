#include "scenario.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "platform/win32/runtime_win.h"
#include "test_support.h"

namespace tgw::e2e {

namespace {

constexpr wchar_t kScenarioRoot[] = L"C:\\tgw-e2e\\";
constexpr wchar_t kDesktopName[] = L"tgw-e2e";
constexpr wchar_t kDesktopSize[] = L"1024x768";

std::wstring RequiredPath(const wchar_t* variable) {
  std::wstring path = ::tgw::testing::ProgramPathFromEnvironment(variable);
  if (path.empty()) throw DriverError(std::wstring(variable) + L" is not set");
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
    throw DriverError(L"no shell folder " + std::to_wstring(csidl));
  }
  return path;
}

}  // namespace

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring TestProgramFolder() {
  const std::wstring program = ::tgw::ExecutablePath();
  return program.substr(0, program.rfind(L'\\'));
}

std::wstring FullSetup() { return RequiredPath(L"TGW_E2E_FULL_SETUP"); }
std::wstring SmallSetup() { return RequiredPath(L"TGW_E2E_SMALL_SETUP"); }
std::wstring SampleFolder() { return RequiredPath(L"TGW_E2E_SAMPLE"); }
std::wstring SmallPayloadFolder() { return RequiredPath(L"TGW_E2E_PAYLOAD"); }

std::wstring ResultsFolder() {
  std::wstring folder = RequiredPath(L"TGW_E2E_RESULTS");
  MakeFolders(folder);
  return folder;
}

std::wstring ScreenshotPath(std::wstring_view name) {
  const std::wstring folder = RequiredPath(L"TGW_E2E_SCREENSHOTS");
  MakeFolders(folder);
  return folder + L"\\" + std::wstring(name) + L".png";
}

const std::wstring& TestDesktop() {
  static const std::wstring name = UnderWine() ? kDesktopName : L"";
  return name;
}

void UseTestDesktop() {
  if (TestDesktop().empty()) return;
  // Wine shows a desktop whose size is listed here as a virtual desktop: a window of its own
  // where Wine draws the windows' frames itself.
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, kDesktopName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDesktopSize),
                   sizeof kDesktopSize);
    RegCloseKey(key);
  }
  // This thread must see the setup's windows there: finding, capturing and hooking them.
  const HDESK desktop = CreateDesktopW(kDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (desktop == nullptr || !SetThreadDesktop(desktop)) {
    throw DriverError(L"cannot use the desktop tgw-e2e (error " + std::to_wstring(GetLastError()) +
                      L")");
  }
}

Scenario::Scenario() {
  const ::testing::TestInfo* const test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  folder_ = kScenarioRoot + std::wstring(name.begin(), name.end()) + L"\\";
  RemoveTree(folder_);
  MakeFolders(appdata());
}

void Scenario::WriteUserRecord(std::wstring_view install_dir) const {
  MakeFolders(appdata() + L"\\TGWR");
  if (!::tgw::testing::WriteRaw(UserRecord(), CrLfLines({std::wstring(install_dir)}))) {
    throw DriverError(L"cannot write " + UserRecord());
  }
}

SetupOptions Scenario::Options(const std::wstring& program, std::wstring_view log_name) const {
  SetupOptions options;
  options.program = program;
  options.appdata = appdata();
  options.text_log = folder_ + std::wstring(log_name) + L".log";
  options.desktop = TestDesktop();
  return options;
}

std::optional<std::string> ReadFile(const std::wstring& path) {
  return ::tgw::testing::ReadRaw(path);
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RemoveTree(const std::wstring& path) {
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(path), error);
  if (FileExists(path) || FolderExists(path)) throw DriverError(L"cannot remove " + path);
}

void MakeFolders(const std::wstring& path) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path), error);
  if (!FolderExists(path)) throw DriverError(L"cannot make the folder " + path);
}

void CopyFileTo(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    throw DriverError(L"cannot copy " + from + L" to " + to);
  }
}

std::string Bytes(std::wstring_view ascii) {
  std::string bytes;
  for (const wchar_t c : ascii) {
    if (c > 0x7F) throw DriverError(L"not ASCII: " + std::wstring(ascii));
    bytes.push_back(static_cast<char>(c));
  }
  return bytes;
}

std::string CrLfLines(const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const std::wstring& line : lines) bytes += Bytes(line) + "\r\n";
  return bytes;
}

std::wstring DesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }
std::wstring ProgramsFolder() { return ShellFolder(CSIDL_PROGRAMS); }

std::vector<std::wstring> ShortcutFiles() {
  const std::wstring group = ProgramsFolder() + L"\\Tagwright\\";
  return {DesktopFolder() + L"\\Tagwright.lnk", group + L"Tagwright.lnk",
          group + L"Official web site.lnk", group + L"Uninstall Tagwright.lnk"};
}

void RemoveShortcuts() {
  RemoveTree(DesktopFolder() + L"\\Tagwright.lnk");
  RemoveTree(ProgramsFolder() + L"\\Tagwright");
}

std::vector<std::wstring> ManifestNames(const std::wstring& manifest) {
  const std::optional<std::string> text = ReadFile(manifest);
  if (!text) throw DriverError(L"cannot read " + manifest);
  std::vector<std::wstring> names;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) names.emplace_back(line.begin(), line.end());
    start = end + 1;
  }
  return names;
}

std::vector<std::wstring> ProgressTexts(std::size_t file_count) {
  std::vector<std::wstring> texts{L"5%", L"25%", L"50%"};
  for (std::size_t k = 1; k <= file_count; ++k) {
    texts.push_back(std::to_wstring(45 * k / file_count + 50) + L"%");
  }
  texts.push_back(L"100%");
  return texts;
}

std::vector<std::wstring> ActionTexts(const std::vector<std::wstring>& names,
                                      std::wstring_view install_dir) {
  std::vector<std::wstring> texts{L"Creating directories...", L"Unpacking...",
                                  L"Unpacking was successful"};
  for (const std::wstring& name : names) {
    texts.push_back(L"Copying file " + name + L"\r\n To \r\n" + std::wstring(install_dir) + name);
  }
  texts.push_back(L"Creating settings file and links...");
  return texts;
}

}  // namespace tgw::e2e
