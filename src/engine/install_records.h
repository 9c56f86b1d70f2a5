#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tgw {

class FileSystem;
class OutputFile;
class Runtime;

// The install log in the install folder: its head line is the folder, then one line
// per payload file and one per shortcut made. Lines that cannot be written are lost
// silently; the installation goes on.
class InstallLog {
 public:
  InstallLog(FileSystem& files, std::wstring_view install_dir);
  ~InstallLog();
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  void Line(std::wstring_view text);
  void Close();

 private:
  std::unique_ptr<OutputFile> file_;
};

// Adds the line "Language=english" (list index 0) or "Language=russian" to the
// install folder's Settings.dat, creating the file when absent.
void WriteSettings(FileSystem& files, std::wstring_view install_dir, std::int16_t list_index);

// Copies the runtime components from the setup's folder into the install folder.
void CopyRuntimeComponents(FileSystem& files, std::wstring_view setup_folder,
                           std::wstring_view install_dir);

// The per-user record of the last install folder, %appdata%\TGWR\install.log.
void WriteUserRecord(FileSystem& files, Runtime& runtime, std::wstring_view install_dir);
// Its first line (empty for an empty file); nothing when it cannot be opened.
std::optional<std::wstring> ReadUserRecord(FileSystem& files, Runtime& runtime);

}  // namespace tgw
