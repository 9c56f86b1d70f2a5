#include "platform/win32/shell_win.h"

// objbase.h before shlobj.h: the shell headers need the COM declarations.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <array>
#include <climits>
#include <utility>

#include "engine/ascii.h"
#include "platform/win32/error_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win.h"

namespace tgw::win32 {
namespace {

using ascii::EqualsIgnoringCase;
using ascii::StartsIgnoringCase;

// A whole number of decimal digits; nothing for other text or one too long for `limit`.
std::optional<long long> ParseDigits(std::wstring_view digits, long long limit) {
  if (digits.empty()) return std::nullopt;
  long long value = 0;
  for (const wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

// `text` for a Win32 call; nothing when it holds a null character.
std::optional<std::wstring> ApiText(std::wstring_view text) {
  std::wstring terminated = ZeroTerminated(text);
  if (terminated.empty() && !text.empty()) return std::nullopt;
  return terminated;
}

// The system folder ("C:\Windows\system32"); empty on failure.
std::wstring SystemFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {  // too small: the size needed, with the null
    folder.resize(length);
    length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) return {};
  }
  folder.resize(length);
  return folder;
}

class Win32ShellLink final : public ShellLink {
 public:
  Win32ShellLink(std::wstring path, ComPtr<IShellLinkW> link)
      : path_(std::move(path)), link_(std::move(link)) {}

  Status SetWindowStyle(ShowCommand show) override {
    const auto value = ShowCommandValue(show);
    if (!value) return kInvalid;
    return StatusFromHresult(link_->SetShowCmd(*value));
  }

  Status SetTargetPath(std::wstring_view target) override {
    const auto text = ApiText(target);
    if (!text) return kInvalid;
    if (!IsWebAddress(*text)) {
      if (const HRESULT set = link_->SetPath(text->c_str()); FAILED(set)) {
        return ErrorFromHresult(set);
      }
      // A new link has no arguments (the file then holds no arguments string); those of an
      // earlier web address are cleared.
      return has_arguments_ ? SetArguments(L"") : Status();
    }
    const std::wstring system = SystemFolder();
    if (system.empty()) return LastError();
    const std::wstring rundll32 = system + L"\\rundll32.exe";
    if (const HRESULT set = link_->SetPath(rundll32.c_str()); FAILED(set)) {
      return ErrorFromHresult(set);
    }
    return SetArguments(L"url.dll,FileProtocolHandler " + *text);
  }

  Status SetIconLocation(std::wstring_view location) override {
    const auto text = ApiText(location);
    if (!text) return kInvalid;
    const auto icon = SplitIconLocation(*text);
    if (!icon) return kInvalid;
    return StatusFromHresult(link_->SetIconLocation(icon->file.c_str(), icon->index));
  }

  Status SetDescription(std::wstring_view description) override {
    const auto text = ApiText(description);
    if (!text) return kInvalid;
    return StatusFromHresult(link_->SetDescription(text->c_str()));
  }

  Status SetWorkingDirectory(std::wstring_view folder) override {
    const auto text = ApiText(folder);
    if (!text) return kInvalid;
    return StatusFromHresult(link_->SetWorkingDirectory(text->c_str()));
  }

  Status Save() override {
    ComPtr<IPersistFile> file;
    if (const HRESULT got = link_->QueryInterface(IID_PPV_ARGS(file.put())); FAILED(got)) {
      return ErrorFromHresult(got);
    }
    return StatusFromHresult(file->Save(path_.c_str(), TRUE));
  }

 private:
  // A value the link cannot take (a null character, an unknown show command).
  static constexpr Error kInvalid{ErrorKind::kOther, static_cast<std::uint32_t>(E_INVALIDARG)};

  Status SetArguments(const std::wstring& arguments) {
    const HRESULT set = link_->SetArguments(arguments.c_str());
    has_arguments_ = SUCCEEDED(set);
    return StatusFromHresult(set);
  }

  std::wstring path_;  // null-free: it was checked when the shortcut was made
  ComPtr<IShellLinkW> link_;
  bool has_arguments_ = false;  // arguments were set (for a web address)
};

}  // namespace

Result<std::wstring> Win32Shell::SpecialFolder(std::wstring_view name) {
  static constexpr std::array<std::pair<std::wstring_view, const KNOWNFOLDERID*>, 4> kFolders{{
      {L"desktop", &FOLDERID_Desktop},
      {L"programs", &FOLDERID_Programs},
      {L"startmenu", &FOLDERID_StartMenu},
      {L"startup", &FOLDERID_Startup},
  }};
  for (const auto& [folder_name, id] : kFolders) {
    if (!EqualsIgnoringCase(name, folder_name)) continue;
    UniqueCoTaskMem<wchar_t> path;
    if (const HRESULT got = SHGetKnownFolderPath(*id, KF_FLAG_DEFAULT, nullptr, path.put());
        FAILED(got) || !path) {
      return ErrorFromHresult(FAILED(got) ? got : E_FAIL);
    }
    std::wstring folder(path.get());
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) return ErrorFromCode(ERROR_PATH_NOT_FOUND);
    return folder;
  }
  return ErrorFromCode(ERROR_INVALID_NAME);
}

Result<std::unique_ptr<ShellLink>> Win32Shell::CreateShortcut(std::wstring_view path) {
  std::wstring file = ZeroTerminated(path);
  if (file.empty()) return ErrorFromCode(ERROR_INVALID_NAME);
  ComPtr<IShellLinkW> link;
  if (const HRESULT made = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_PPV_ARGS(link.put()));
      FAILED(made)) {
    return ErrorFromHresult(made);
  }
  return std::unique_ptr<ShellLink>(
      std::make_unique<Win32ShellLink>(std::move(file), std::move(link)));
}

std::optional<int> ShowCommandValue(ShowCommand show) {
  switch (show) {
    case ShowCommand::kNormal:
      return SW_SHOWNORMAL;
    case ShowCommand::kMaximized:
      return SW_SHOWMAXIMIZED;
  }
  return std::nullopt;
}

std::optional<IconLocation> SplitIconLocation(std::wstring_view location) {
  const std::size_t comma = location.rfind(L',');
  if (comma == std::wstring_view::npos) return IconLocation{std::wstring(location), 0};
  std::wstring_view number = location.substr(comma + 1);
  const bool negative = !number.empty() && number.front() == L'-';
  if (negative) number.remove_prefix(1);
  // INT_MIN's magnitude is one more than INT_MAX.
  const auto magnitude = ParseDigits(number, negative ? -static_cast<long long>(INT_MIN) : INT_MAX);
  if (!magnitude) return std::nullopt;
  return IconLocation{std::wstring(location.substr(0, comma)),
                      static_cast<int>(negative ? -*magnitude : *magnitude)};
}

bool IsWebAddress(std::wstring_view target) {
  return StartsIgnoringCase(target, L"http://") || StartsIgnoringCase(target, L"https://");
}

}  // namespace tgw::win32
