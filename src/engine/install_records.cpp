#include "engine/install_records.h"

#include <algorithm>
#include <iterator>

#include "engine/ascii.h"
#include "engine/names.h"
#include "engine/product.h"
#include "platform/file_system.h"
#include "platform/runtime.h"

namespace tgw {

namespace {

std::wstring Join(std::wstring_view a, std::wstring_view b) {
  std::wstring joined;
  joined.reserve(a.size() + b.size());
  joined.append(a).append(b);
  return joined;
}

// %appdata%\TGWR\ when "appdata" names an absolute folder.
std::optional<std::wstring> UserRecordFolder(Runtime& runtime) {
  auto appdata = AsInstallFolder(runtime.Environment(L"appdata"));
  if (!appdata) return std::nullopt;
  return *appdata + L"TGWR";
}

// Writes `lines` as a whole new file at `path`, replacing what is there only when complete.
Status WriteWhole(FileSystem& files, const std::wstring& path, OpenMode mode,
                  const std::vector<std::wstring_view>& lines) {
  auto file = files.OpenOutput(path, mode);
  if (!file) return file.error();
  for (const std::wstring_view line : lines) {
    if (Status written = (*file)->WriteLine(line); !written.ok()) return written;
  }
  return (*file)->Close();
}

}  // namespace

InstallLog::InstallLog(FileSystem& files, std::wstring_view install_dir)
    : files_(files), path_(Join(install_dir, L"install.log")), head_(install_dir) {
  // An earlier log is appended to, never emptied: its lines stay whatever happens next. One that
  // is there but cannot be read is left as it is, and this run writes no log.
  auto earlier = files_.ReadLines(path_);
  if (!earlier && earlier.error().kind != ErrorKind::kNotFound) {
    Keep(earlier.error());
    return;
  }
  if (earlier && !earlier->empty()) {  // its head line names the same folder
    carrying_ = true;
    earlier_.assign(std::make_move_iterator(earlier->begin() + 1),
                    std::make_move_iterator(earlier->end()));
  }
  auto file = files_.OpenOutput(path_, carrying_ ? OpenMode::kAppend : OpenMode::kOutput);
  if (!file) {
    Keep(file.error());
    return;
  }
  file_ = std::move(*file);
  if (!carrying_) {
    Keep(file_->WriteLine(head_));
  } else if (const auto bytes = files_.ReadWholeFile(path_);
             bytes && bytes->size() >= 1 && bytes->back() != '\n') {
    Keep(file_->WriteLine(L""));  // ends a last line that was cut
  }
}

InstallLog::~InstallLog() = default;

void InstallLog::Keep(const Status& status) {
  if (status_.ok() && !status.ok()) status_ = status;
}

void InstallLog::Line(std::wstring_view text) {
  if (!file_) return;
  Keep(file_->WriteLine(text));
  if (carrying_) lines_.emplace_back(text);
}

Status InstallLog::Close(bool completed) {
  if (!file_) return status_;
  Keep(file_->Close());
  file_.reset();
  // The log in its own order; when that cannot be written, it stays as appended to.
  if (carrying_ && status_.ok()) (void)Rewrite(completed);
  return status_;
}

Status InstallLog::Rewrite(bool completed) {
  std::vector<std::wstring_view> lines{head_};
  lines.insert(lines.end(), lines_.begin(), lines_.end());
  if (!completed) {
    for (const std::wstring& line : earlier_) {
      if (line != head_ && std::find(lines_.begin(), lines_.end(), line) == lines_.end()) {
        lines.push_back(line);
      }
    }
  }
  return WriteWhole(files_, path_, OpenMode::kReplace, lines);
}

Status WriteSettings(FileSystem& files, std::wstring_view install_dir, std::int16_t list_index) {
  return WriteWhole(files, Join(install_dir, L"Settings.dat"), OpenMode::kReplaceAppending,
                    {list_index == 0 ? L"Language=english" : L"Language=russian"});
}

std::optional<std::wstring> ReadLanguageSetting(FileSystem& files, std::wstring_view install_dir) {
  constexpr std::wstring_view kKey = L"language=";
  const auto lines = files.ReadLines(Join(install_dir, L"Settings.dat"));
  if (!lines) return std::nullopt;
  std::optional<std::wstring> language;
  for (const std::wstring& line : *lines) {
    if (ascii::StartsIgnoringCase(line, kKey)) language = line.substr(kKey.size());
  }
  return language;
}

std::vector<std::pair<std::wstring_view, Error>> CopyRuntimeComponents(
    FileSystem& files, std::wstring_view setup_folder, std::wstring_view install_dir) {
  std::vector<std::pair<std::wstring_view, Error>> failed;
  for (const std::wstring_view name : product::kRuntimeComponents) {
    const std::wstring source = Join(setup_folder, Join(L"\\", name));
    const auto length = files.FileLength(source);
    if (!length && length.error().kind == ErrorKind::kNotFound) continue;  // not shipped
    if (const Status copied = files.Copy(source, Join(install_dir, name)); !copied.ok()) {
      failed.emplace_back(name, copied.error());
    }
  }
  return failed;
}

Status WriteUserRecord(FileSystem& files, Runtime& runtime, std::wstring_view install_dir) {
  const auto folder = UserRecordFolder(runtime);
  if (!folder) return Error{ErrorKind::kNotFound, 0};
  (void)files.MakeFolder(*folder);  // usually there from an earlier install
  return WriteWhole(files, *folder + L"\\install.log", OpenMode::kReplace, {install_dir});
}

std::optional<std::wstring> ReadUserRecord(FileSystem& files, Runtime& runtime) {
  const auto folder = UserRecordFolder(runtime);
  if (!folder) return std::nullopt;
  const auto lines = files.ReadLines(*folder + L"\\install.log");
  if (!lines) return std::nullopt;
  return lines->empty() ? std::wstring{} : lines->front();
}

}  // namespace tgw
