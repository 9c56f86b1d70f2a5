#include "driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <cwctype>

#include "screenshot.h"

namespace tgw::automation {

namespace {

std::wstring ErrorText(DWORD error) { return L" (" + SystemErrorText(error) + L")"; }

constexpr wchar_t kDialogClass[] = L"#32770";

bool SameName(std::wstring_view a, std::wstring_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

struct WindowSearch {
  DWORD process_id;
  std::wstring_view class_name;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM search_address) {
  auto* const search = reinterpret_cast<WindowSearch*>(search_address);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window) &&
      (search->class_name.empty() || ClassName(window) == search->class_name)) {
    search->found.push_back(window);
  }
  return TRUE;
}

struct DescendantSearch {
  const std::function<bool(HWND)>& matches;
  HWND found;
};

BOOL CALLBACK MatchDescendant(HWND window, LPARAM search_address) {
  auto* const search = reinterpret_cast<DescendantSearch*>(search_address);
  if (!search->matches(window)) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CollectButton(HWND window, LPARAM buttons_address) {
  auto* const buttons = reinterpret_cast<std::vector<int>*>(buttons_address);
  const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  if (ClassName(window) == L"Button" && IsWindowVisible(window) &&
      (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
    buttons->push_back(GetDlgCtrlID(window));
  }
  return TRUE;
}

}  // namespace

DriverError::DriverError(const std::wstring& message)
    : std::runtime_error(Utf8(message)), message_(message) {}

std::string Utf8(std::wstring_view text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::wstring FromUtf8(std::string_view bytes) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return text;
}

std::wstring SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words(text != nullptr ? text : L"", length);
  LocalFree(text);
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' ||
                            words.back() == L' ' || words.back() == L'.')) {
    words.pop_back();
  }
  const std::wstring number = L"error " + std::to_wstring(code);
  return words.empty() ? number : words + L" (" + number + L")";
}

std::wstring EnvironmentBlock(const Environment& changes) {
  std::wstring block;
  wchar_t* const current = GetEnvironmentStringsW();
  for (const wchar_t* entry = current; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    // Names of the drives' current folders ("=C:=C:\...") begin with "=".
    const std::wstring_view name = text.substr(0, text.find(L'=', 1));
    const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
      return SameName(change.first, name);
    });
    if (!replaced) block.append(text).push_back(L'\0');
  }
  FreeEnvironmentStringsW(current);
  for (const auto& [name, value] : changes) block.append(name + L"=" + value).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

std::wstring QuotedArguments(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    // In quotes, with the backslashes before a quote, and those at the end, doubled.
    line += line.empty() ? L"\"" : L" \"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\').push_back(c);
      backslashes = 0;
    }
    line.append(backslashes * 2, L'\\').push_back(L'"');
  }
  return line;
}

Process::Process(const ProgramStart& start)
    : name_(start.program.substr(start.program.find_last_of(L"\\/") + 1)) {
  std::wstring command_line = L"\"" + start.program + L"\"";
  if (!start.arguments.empty()) command_line += L" " + start.arguments;
  std::wstring block;
  if (!start.environment.empty()) block = EnvironmentBlock(start.environment);
  std::wstring desktop = start.desktop;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktop.empty() ? nullptr : desktop.data();
  const bool redirected = !start.output_file.empty() || !start.error_file.empty();
  win32::UniqueFile output;
  win32::UniqueFile error;
  if (redirected) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const auto made = [&](const std::wstring& path) {
      if (path.empty()) return win32::UniqueFile();
      win32::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) throw DriverError(L"cannot make " + path + ErrorText(GetLastError()));
      return file;
    };
    output = made(start.output_file);
    error = made(start.error_file);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output ? output.get() : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = error ? error.get() : GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(start.program.c_str(), command_line.data(), nullptr, nullptr, redirected,
                      CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                      block.empty() ? nullptr : block.data(),
                      start.current_folder.empty() ? nullptr : start.current_folder.c_str(),
                      &startup, &started)) {
    const DWORD code = GetLastError();
    std::wstring message = L"cannot start " + start.program + ErrorText(code);
    constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, missing in mingw-w64
    if (code == kElevationRequired) {
      message += L": it asks for administrator rights; run this from an elevated prompt";
    }
    throw DriverError(message);
  }
  CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  id_ = started.dwProcessId;
}

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::uint32_t Process::WaitForExit(DWORD timeout_ms) const {
  if (WaitForSingleObject(process_.get(), timeout_ms) != WAIT_OBJECT_0) {
    throw DriverError(name_ + L" did not end within " + std::to_wstring(timeout_ms) + L" ms");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::End() const noexcept {
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
}

HWND Process::WaitForWindow(const std::function<bool(HWND)>& matches, std::wstring_view what,
                            DWORD timeout_ms) const {
  HWND found = nullptr;
  const auto shown = [&] {
    for (const HWND window : Windows()) {
      if (matches(window)) {
        found = window;
        return true;
      }
    }
    return !Running();
  };
  if (!WaitUntil(shown, timeout_ms, 20) || found == nullptr) {
    throw DriverError(L"no " + std::wstring(what) +
                      (Running() ? L" appeared" : L" appeared before " + name_ + L" ended"));
  }
  return found;
}

HWND Process::WaitForWindow(std::wstring_view title, DWORD timeout_ms) const {
  return WaitForWindow(
      [&](HWND window) { return ClassName(window) != kDialogClass && WindowText(window) == title; },
      L"window \"" + std::wstring(title) + L"\" of " + name_, timeout_ms);
}

Dialog Process::WaitForDialog(std::wstring_view title, DWORD timeout_ms) const {
  return WaitForDialogWhere([&](const Dialog& dialog) { return dialog.Title() == title; },
                            L"dialog \"" + std::wstring(title) + L"\"", timeout_ms);
}

Dialog Process::WaitForDialogWhere(const std::function<bool(const Dialog&)>& matches,
                                   std::wstring_view what, DWORD timeout_ms) const {
  return Dialog(WaitForWindow(
      [&](HWND window) { return ClassName(window) == kDialogClass && matches(Dialog(window)); },
      what, timeout_ms));
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms, DWORD poll_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(poll_ms);
  }
}

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD timeout_ms) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, timeout_ms, &result) == 0) {
    throw DriverError(L"message " + std::to_wstring(message) + L" to window " +
                      std::to_wstring(reinterpret_cast<std::uintptr_t>(window)) +
                      L" was not answered" + ErrorText(GetLastError()));
  }
  return static_cast<LRESULT>(result);
}

void Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!PostMessageW(window, message, wparam, lparam)) {
    throw DriverError(L"cannot post message " + std::to_wstring(message) +
                      ErrorText(GetLastError()));
  }
}

std::wstring WindowText(HWND window) {
  const auto length = static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<std::size_t>(
      Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return text;
}

std::wstring ClassName(HWND window) {
  std::array<wchar_t, 256> name{};
  const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), static_cast<std::size_t>(std::max(length, 0)));
}

HWND FindDescendantWhere(HWND parent, const std::function<bool(HWND)>& matches) {
  DescendantSearch search{matches, nullptr};
  EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDescendant(HWND parent, int id) {
  return FindDescendantWhere(parent, [id](HWND window) { return GetDlgCtrlID(window) == id; });
}

std::vector<HWND> TopLevelWindows(DWORD process_id, std::wstring_view class_name) {
  WindowSearch search{process_id, class_name, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Dialog::Item(int id) const {
  const HWND item = GetDlgItem(window_, id);
  if (item == nullptr) {
    throw DriverError(L"the dialog \"" + Title() + L"\" has no item " + std::to_wstring(id));
  }
  return item;
}

bool Dialog::IsDefaultButton(int id) const {
  return (GetWindowLongPtrW(Item(id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

std::vector<int> Dialog::Buttons() const {
  std::vector<int> buttons;
  EnumChildWindows(window_, CollectButton, reinterpret_cast<LPARAM>(&buttons));
  return buttons;
}

void Dialog::Press(int id) const { Post(Item(id), BM_CLICK); }

void Dialog::WaitClosed(DWORD timeout_ms) const {
  if (!WaitUntil([&] { return !IsOpen(); }, timeout_ms)) {
    throw DriverError(L"the dialog \"" + Title() + L"\" did not close");
  }
}

std::uint32_t RunProgram(const std::wstring& program, const std::wstring& arguments,
                         DWORD timeout_ms) {
  return Process({.program = program, .arguments = arguments}).WaitForExit(timeout_ms);
}

}  // namespace tgw::automation
