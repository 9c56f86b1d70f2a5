#include "engine/install_records.h"

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

std::wstring UserRecordFolder(Runtime& runtime) {
  return Join(runtime.Environment(L"appdata"), L"\\TGWR");
}

}  // namespace

InstallLog::InstallLog(FileSystem& files, std::wstring_view install_dir)
    : file_(files.OpenOutput(Join(install_dir, L"install.log"), OpenMode::kOutput)) {
  Line(install_dir);
}

InstallLog::~InstallLog() = default;

void InstallLog::Line(std::wstring_view text) {
  if (file_) file_->WriteLine(text);
}

void InstallLog::Close() {
  if (file_) file_->Close();
  file_.reset();
}

void WriteSettings(FileSystem& files, std::wstring_view install_dir, std::int16_t list_index) {
  const std::wstring path = Join(install_dir, L"Settings.dat");
  const OpenMode mode = files.FileLength(path) ? OpenMode::kAppend : OpenMode::kOutput;
  if (auto file = files.OpenOutput(path, mode)) {
    file->WriteLine(list_index == 0 ? L"Language=english" : L"Language=russian");
    file->Close();
  }
}

void CopyRuntimeComponents(FileSystem& files, std::wstring_view setup_folder,
                           std::wstring_view install_dir) {
  for (const std::wstring_view name : product::kRuntimeComponents) {
    files.Copy(Join(setup_folder, Join(L"\\", name)), Join(install_dir, name));
  }
}

void WriteUserRecord(FileSystem& files, Runtime& runtime, std::wstring_view install_dir) {
  const std::wstring folder = UserRecordFolder(runtime);
  files.MakeFolder(folder);  // usually there from an earlier install
  if (auto file = files.OpenOutput(folder + L"\\install.log", OpenMode::kOutput)) {
    file->WriteLine(install_dir);
    file->Close();
  }
}

std::optional<std::wstring> ReadUserRecord(FileSystem& files, Runtime& runtime) {
  const auto file = files.OpenInput(UserRecordFolder(runtime) + L"\\install.log");
  if (!file) return std::nullopt;
  return file->ReadLine().value_or(std::wstring{});
}

}  // namespace tgw
