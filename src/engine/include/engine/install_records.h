#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace tgw {

class FileSystem;
class OutputFile;
class Runtime;

// The install log in the install folder: its head line is the folder, then one line per
// payload file and one per shortcut made, each written at once so that a program ended
// mid-way leaves the lines of what it did.
//
// An earlier log there (a reinstall) is not lost when the run ends early: the new lines are
// appended to it, and only Close rewrites it, as the head line and this run's lines, followed,
// unless the run completed, by the earlier lines that this run did not write. An earlier log
// that cannot be read stays as it is: no line is written, and Close gives the failure.
class InstallLog {
 public:
  InstallLog(FileSystem& files, std::wstring_view install_dir);
  ~InstallLog();
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  void Line(std::wstring_view text);
  // Closes the log. `completed`: it becomes the head line and this run's lines alone.
  // Otherwise the earlier lines that this run did not write follow them. The first failure
  // to open, write or close the log, if any.
  Status Close(bool completed);

 private:
  void Keep(const Status& status);
  Status Rewrite(bool completed);

  FileSystem& files_;
  std::wstring path_;
  std::wstring head_;
  std::unique_ptr<OutputFile> file_;
  Status status_;
  bool carrying_ = false;              // there is an earlier log, appended to
  std::vector<std::wstring> earlier_;  // its lines after its head line
  std::vector<std::wstring> lines_;    // this run's lines after the head line, when carrying
};

// Adds the line "Language=english" (list index 0) or "Language=russian" to the install
// folder's Settings.dat, keeping its earlier lines. The file is replaced only when complete.
Status WriteSettings(FileSystem& files, std::wstring_view install_dir, std::int16_t list_index);
// The interface language the settings file names: the value of its last "Language=" line (the
// key in any letter case), such as "english" or "russian"; nothing when the file cannot be read
// or has no such line. `install_dir` ends with a backslash.
std::optional<std::wstring> ReadLanguageSetting(FileSystem& files, std::wstring_view install_dir);

// Copies the runtime components from the setup's folder into the install folder. A component
// that is not beside the setup is not copied and not reported; the others' failures are,
// with the component's name.
std::vector<std::pair<std::wstring_view, Error>> CopyRuntimeComponents(
    FileSystem& files, std::wstring_view setup_folder, std::wstring_view install_dir);

// The per-user record of the last install folder, %appdata%\TGWR\install.log. Neither side
// touches anything when "appdata" does not name an absolute folder.
Status WriteUserRecord(FileSystem& files, Runtime& runtime, std::wstring_view install_dir);
// Its first line (empty for an empty file); nothing when it cannot be opened.
std::optional<std::wstring> ReadUserRecord(FileSystem& files, Runtime& runtime);

}  // namespace tgw
