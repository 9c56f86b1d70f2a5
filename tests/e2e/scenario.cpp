#include "scenario.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "expected.h"
#include "install.h"
#include "platform/win32/runtime_win.h"
#include "screenshot.h"
#include "tagwright_ids.h"
#include "test_support.h"
#include "text_hook.h"

namespace tgw::e2e {

namespace {

constexpr wchar_t kScenarioRoot[] = L"C:\\tgw-e2e\\";
constexpr wchar_t kHookDll[] = L"e2e_text_hook.dll";
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

// The text hook's DLL, loaded once into this process.
HMODULE HookModule() {
  static const HMODULE module = LoadLibraryW((TestProgramFolder() + L"\\" + kHookDll).c_str());
  return module;
}

SetupOptions WithTextLog(SetupOptions options) {
  if (!options.text_log.empty()) {
    DeleteFileW(options.text_log.c_str());
    options.environment.emplace_back(hook::kLogVariable, options.text_log);
  }
  return options;
}

// UTF-8 output as text, with LF line ends.
std::wstring OutputText(const std::wstring& path) {
  const std::wstring text = FromUtf8(ReadFile(path).value_or(""));
  std::wstring lines;
  for (const wchar_t c : text) {
    if (c != L'\r') lines.push_back(c);
  }
  return lines;
}

}  // namespace

SetupProcess::SetupProcess(const SetupOptions& options)
    : automation::SetupProcess(WithTextLog(options)), text_log_(options.text_log) {
  if (text_log_.empty()) return;
  const HMODULE module = HookModule();
  HookWindowThread(module, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                               GetProcAddress(module, hook::kProcedureName))));
}

std::vector<TextEvent> SetupProcess::Events() const {
  std::vector<TextEvent> events;
  const std::optional<std::string> bytes = ::tgw::testing::ReadRaw(text_log_);
  if (!bytes) return events;
  const std::wstring_view log(reinterpret_cast<const wchar_t*>(bytes->data()),
                              bytes->size() / sizeof(wchar_t));
  std::size_t start = 0;
  // A record still being written has no end yet: it is left for the next read.
  for (std::size_t end = log.find(hook::kRecordEnd); end != std::wstring_view::npos;
       start = end + 1, end = log.find(hook::kRecordEnd, start)) {
    const std::wstring_view record = log.substr(start, end - start);
    const std::size_t field = record.find(hook::kFieldEnd);
    if (record.empty() || field == std::wstring_view::npos) continue;
    TextEvent event;
    event.icon = record[0] == hook::kIconRecord;
    event.id = std::wcstol(std::wstring(record.substr(1, field - 1)).c_str(), nullptr, 10);
    event.text = record.substr(field + 1);
    events.push_back(std::move(event));
  }
  return events;
}

std::vector<std::wstring> SetupProcess::TextsOf(Control id) const {
  std::vector<std::wstring> texts;
  for (const TextEvent& event : Events()) {
    if (!event.icon && event.id == static_cast<int>(id)) texts.push_back(event.text);
  }
  return texts;
}

void SetupProcess::WaitForTextSet(Control id, std::wstring_view text, DWORD timeout_ms) const {
  const auto seen = [&] {
    const std::vector<std::wstring> texts = TextsOf(id);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  };
  if (!WaitUntil(seen, timeout_ms, 20)) {
    throw DriverError(L"control " + std::to_wstring(static_cast<int>(id)) + L" was not set to \"" +
                      std::wstring(text) + L"\"");
  }
}

std::wstring AutoProgram() { return RequiredPath(L"TGW_E2E_AUTO"); }

AutoRun RunAuto(const std::vector<std::wstring>& arguments, const Environment& environment,
                DWORD timeout_ms) {
  return RunAutoCopy(AutoProgram(), arguments, environment, timeout_ms);
}

AutoRun RunAutoCopy(const std::wstring& program, const std::vector<std::wstring>& arguments,
                    const Environment& environment, DWORD timeout_ms) {
  const std::wstring out_path = ResultsFolder() + L"\\tgwauto-out.txt";
  const std::wstring error_path = ResultsFolder() + L"\\tgwauto-error.txt";
  AutoRun run;
  const ULONGLONG start = GetTickCount64();
  run.exit_code = Process({.program = program,
                           .arguments = QuotedArguments(arguments),
                           .environment = environment,
                           .desktop = TestDesktop(),
                           .output_file = out_path,
                           .error_file = error_path})
                      .WaitForExit(timeout_ms);
  run.milliseconds = static_cast<DWORD>(GetTickCount64() - start);
  run.out = OutputText(out_path);
  run.error = OutputText(error_path);
  return run;
}

TagwrightTexts ShowTagwright(const std::wstring& program, const std::wstring& current_folder,
                             const Environment& environment, const std::wstring& screenshot) {
  const Process tagwright({.program = program,
                           .environment = environment,
                           .desktop = TestDesktop(),
                           .current_folder = current_folder});
  const HWND window = tagwright.WaitForWindow(L"Tagwright 2.50", 15000);
  TagwrightTexts texts{.title = WindowText(window)};
  for (const auto& [id, text] :
       {std::pair{IDC_PRODUCT, &texts.product}, std::pair{IDC_LANGUAGE, &texts.language}}) {
    const HWND control = FindDescendant(window, id);
    if (control == nullptr)
      throw DriverError(L"Tagwright.exe has no control " + std::to_wstring(id));
    *text = WindowText(control);
  }
  if (!screenshot.empty()) SaveStableScreenshot({window}, screenshot);
  Post(window, WM_CLOSE);
  texts.exit_code = tagwright.WaitForExit(30000);
  return texts;
}

bool IsPng(const std::wstring& path) {
  const auto bytes = ReadFile(path);
  return bytes && bytes->starts_with("\x89PNG\r\n\x1A\n");
}

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}

std::wstring TestProgramFolder() {
  const std::wstring program = ::tgw::ExecutablePath();
  return program.substr(0, program.rfind(L'\\'));
}

std::wstring FullSetup() { return RequiredPath(L"TGW_E2E_FULL_SETUP"); }
std::wstring SmallSetup() { return RequiredPath(L"TGW_E2E_SMALL_SETUP"); }
std::wstring StagedProgram(std::wstring_view name) {
  return SampleFolder() + L"\\product\\" + std::wstring(name);
}
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

std::wstring ScreenshotFolder(std::wstring_view name) {
  const std::wstring folder = RequiredPath(L"TGW_E2E_SCREENSHOTS") + L"\\" + std::wstring(name);
  RemoveTree(folder);
  MakeFolders(folder);
  return folder;
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

std::wstring Scenario::Install(const std::wstring& setup, const std::wstring& parent) const {
  SetupOptions options = Options(setup);
  options.text_log.clear();
  const SetupProcess process(options);
  MakeFolders(parent);
  InstallRequest request;
  request.folder = ChooseInstallFolder(FullPath(parent) + L"\\Tagwright");
  request.folder_entry = FolderEntry::kField;
  const InstallOutcome outcome = DriveInstall(process, request, Deadline(kSampleRunMs));
  EXPECT_TRUE(outcome.completed) << Utf8(outcome.completion_text);
  EXPECT_EQ(outcome.exit_code, 0u);
  return request.folder->field_text;
}

std::optional<std::string> ReadFile(const std::wstring& path) {
  return ::tgw::testing::ReadRaw(path);
}

void RemoveTree(const std::wstring& path) {
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(path), error);
  if (FileExists(path) || FolderExists(path)) throw DriverError(L"cannot remove " + path);
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

}  // namespace tgw::e2e
