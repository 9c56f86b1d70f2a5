// Win32FileSystem::MapFile: a whole file mapped read-only, and what happens when a page of it
// cannot be read.
//
// A mapped page is read from the file when first touched. When that read fails (the network or
// the removable drive that holds the file went away; the file was cut short, which Windows refuses
// while it is mapped but another system sharing the file may do), Windows raises an in-page error
// in the thread that touched it, and Wine an access violation. Uncaught, that ends the program
// without a word. So a vectored exception handler, installed with the first mapping, takes such a
// fault at an address of a view of ours: it replaces the view by reserved memory at the same
// addresses, commits each page that is then touched as a page of zeros, and marks the view failed.
// The code that read on sees zeros and learns of the failure from ReadStatus(): the payload reader
// checks it after the integrity check, which reads every byte of the body once (a failure there
// installs nothing), and the run after each piece of a file it writes (that file is then not
// written, and the others after it neither).

#include <windows.h>

#include <atomic>
#include <memory>

#include "platform/win32/error_win.h"
#include "platform/win32/file_system_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win.h"

namespace tgw {
namespace {

using win32::UniqueFile;
using win32::UniqueHandle;

class Win32MappedFile;

// The views mapped now, in a list through the views themselves, under the lock. (The handler is
// added and never removed outside it: Windows may hold its list of handlers while one runs.)
SRWLOCK views_lock = SRWLOCK_INIT;
Win32MappedFile* first_view = nullptr;
std::atomic<bool> handler_added = false;

LONG CALLBACK OnViewFault(EXCEPTION_POINTERS* pointers);

class Win32MappedFile final : public MappedFile {
 public:
  // A view of `size` bytes at `view`; none for an empty file.
  Win32MappedFile(char* view, std::size_t size) : view_(view), size_(size) {
    if (view_ == nullptr) return;
    // Without it, a failed read ends the program, as a mapping does by itself.
    if (!handler_added.exchange(true)) AddVectoredExceptionHandler(1, OnViewFault);
    AcquireSRWLockExclusive(&views_lock);
    next_ = first_view;
    first_view = this;
    ReleaseSRWLockExclusive(&views_lock);
  }
  Win32MappedFile(const Win32MappedFile&) = delete;
  Win32MappedFile& operator=(const Win32MappedFile&) = delete;
  ~Win32MappedFile() override {
    if (view_ == nullptr) return;
    AcquireSRWLockExclusive(&views_lock);
    Win32MappedFile** link = &first_view;
    while (*link != this) link = &(*link)->next_;
    *link = next_;
    ReleaseSRWLockExclusive(&views_lock);
    if (failed_) {
      VirtualFree(view_, 0, MEM_RELEASE);
    } else {
      UnmapViewOfFile(view_);
    }
  }

  std::string_view Bytes() const override { return {view_, size_}; }
  Status ReadStatus() const override {
    if (!failed_) return {};
    return win32::ErrorFromCode(ERROR_READ_FAULT);
  }

  // For the handler, with the lock held: when `address` lies in one of the views, makes its page
  // readable as zeros. False when it lies in none, or that cannot be done (the fault then ends the
  // program, as it would have).
  static bool TakeFault(ULONG_PTR address) {
    for (Win32MappedFile* view = first_view; view != nullptr; view = view->next_) {
      const auto begin = reinterpret_cast<ULONG_PTR>(view->view_);
      if (address < begin || address - begin >= view->size_) continue;
      // The first fault: the view goes, and its addresses are reserved at once for the zeros.
      if (!view->failed_ &&
          (!UnmapViewOfFile(view->view_) ||
           VirtualAlloc(view->view_, view->size_, MEM_RESERVE, PAGE_NOACCESS) != view->view_)) {
        return false;
      }
      view->failed_ = true;
      // The page that holds the address (VirtualAlloc commits every page the range touches).
      return VirtualAlloc(reinterpret_cast<void*>(address), 1, MEM_COMMIT, PAGE_READONLY) !=
             nullptr;
    }
    return false;
  }

 private:
  char* const view_;
  const std::size_t size_;
  std::atomic<bool> failed_ = false;
  Win32MappedFile* next_ = nullptr;
};

// A read of a page of one of our views that failed; any other exception goes on to the others.
LONG CALLBACK OnViewFault(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  const DWORD code = record.ExceptionCode;
  // Wine reports a page past the end of a file cut short as an access violation. The views are
  // readable throughout: one there is a failed read as well.
  if ((code != EXCEPTION_IN_PAGE_ERROR && code != EXCEPTION_ACCESS_VIOLATION) ||
      record.NumberParameters < 2 || record.ExceptionInformation[0] != 0 /* not a read */) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  AcquireSRWLockExclusive(&views_lock);
  const bool taken = Win32MappedFile::TakeFault(record.ExceptionInformation[1]);
  ReleaseSRWLockExclusive(&views_lock);
  return taken ? EXCEPTION_CONTINUE_EXECUTION : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

Result<std::unique_ptr<MappedFile>> Win32FileSystem::MapFile(std::wstring_view path) {
  // Sharing write and delete as well lets this map the running program's own file. Windows
  // refuses to write that file while it runs, and to cut any file short while it is mapped.
  const UniqueFile file(CreateFileW(win32::ZeroTerminated(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return win32::LastError();
  if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
    return win32::ErrorFromCode(ERROR_NOT_ENOUGH_MEMORY);  // more than the address space
  }
  void* view = nullptr;
  if (size.QuadPart != 0) {  // a mapping of nothing cannot be made
    // The view keeps the mapping, and the mapping the file: both handles can go.
    const UniqueHandle mapping(
        CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping) view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) return win32::LastError();
  }
  return std::unique_ptr<MappedFile>(std::make_unique<Win32MappedFile>(
      static_cast<char*>(view), static_cast<std::size_t>(size.QuadPart)));
}

}  // namespace tgw
