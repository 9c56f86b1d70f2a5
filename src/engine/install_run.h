#pragma once

#include <cstddef>
#include <cstdint>

namespace tgw {

class FileSystem;
class Runtime;
class Shell;
class Toolkit;

// What the installation reaches the outside world through.
struct Platform {
  Toolkit& ui;
  Runtime& runtime;
  FileSystem& files;
  Shell& shell;
};

// How the run went. A run that failed still goes through every step and ends on
// the completion page; the wizard tells the user from this what did not complete.
struct InstallOutcome {
  bool folder_missing = false;   // the install folder could not be made and is not there
  std::size_t file_count = 0;    // files the setup carries
  std::size_t files_failed = 0;  // of those, not written in full (or refused)

  bool Completed() const { return !folder_missing && file_count > 0 && files_failed == 0; }
};

// The installation: reads the wizard's fields, makes the folder tree, unpacks the
// payload, writes the records and shortcuts, and keeps the progress page moving,
// pumping events between its steps. Ends with Next captioned "Finish", `stage` 5
// and the completion page shown.
InstallOutcome StartInstalation(const Platform& platform, std::int32_t& stage);

}  // namespace tgw
