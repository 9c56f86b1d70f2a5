// What the standard library throws when it fails, in the setup program, the uninstaller and
// Tagwright.exe: the same outcome as libstdc++'s own helpers for every handler these programs
// have, without the code those bring in.
//
// The containers and strings of the library call these functions (std::__throw_bad_alloc and its
// kind) when they fail. libstdc++'s definitions throw std::length_error, std::out_of_range and
// the like, which hold a std::string: linked statically, they bring in the library's whole
// string code, its number formatting and std::random_device (about 58 KB of the setup). These
// definitions replace them, as terminate_handler.cpp replaces the terminate handler: the linker
// takes every one of them from here and leaves libstdc++'s file out (one missing here would bring
// that file back and fail the link with two definitions).
//
// What each throws:
// - out of memory (bad_alloc, bad_array_new_length): the library's own exception, as before;
// - a length beyond what a container can hold (length_error): std::bad_alloc, since such a size
//   cannot be allocated; every handler of these programs treats the two alike (the file system
//   maps both to ERROR_NOT_ENOUGH_MEMORY, the wizard catches std::exception, the window's
//   handlers catch everything);
// - a broken precondition (an index out of range, a null string, and the other logic and runtime
//   errors): LibraryFailure, a std::exception whose what() is the library's text. A handler of
//   std::exception or of everything sees it as before; none of these programs catches
//   std::logic_error or std::runtime_error, which it is not.
//
// The memory of what is thrown is ours as well (at the end): libstdc++'s allocator of it sets up,
// at start-up, an emergency pool of 73 KB for when malloc fails, with a lock of its own
// (about 3 KB of the setup, with the thread support the lock brings in). Here a thrown object gets
// a calloc'd block, and one thrown while calloc fails the block kept for that (std::bad_alloc,
// the one such a program then throws); a second at that moment ends the program, as libstdc++'s
// does when its pool is spent.
//
// So is where each thread keeps the exceptions it is handling (at the very end): libstdc++ keeps
// them in emulated thread-local storage, whose code (about 1 KB) libgcc brings in for that alone.

#include <bits/functexcept.h>
#include <cxxabi.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryFailure final : public std::exception {
 public:
  explicit LibraryFailure(const char* what) noexcept : what_(what) {}
  const char* what() const noexcept override { return what_ != nullptr ? what_ : "std"; }

 private:
  const char* what_;
};

// One place each that throws; the helpers below only call them.
[[noreturn, gnu::noinline]] void ThrowOutOfMemory() { throw std::bad_alloc(); }
[[noreturn, gnu::noinline]] void ThrowLibraryFailure(const char* what) {
  throw LibraryFailure(what);
}

}  // namespace

namespace std {

void __throw_bad_alloc() { ThrowOutOfMemory(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { ThrowOutOfMemory(); }

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }

void __throw_logic_error(const char* what) { ThrowLibraryFailure(what); }
void __throw_domain_error(const char* what) { ThrowLibraryFailure(what); }
void __throw_invalid_argument(const char* what) { ThrowLibraryFailure(what); }
void __throw_out_of_range(const char* what) { ThrowLibraryFailure(what); }
// The text is the format, its values left out: nothing here shows it.
void __throw_out_of_range_fmt(const char* format, ...) { ThrowLibraryFailure(format); }
void __throw_runtime_error(const char* what) { ThrowLibraryFailure(what); }
void __throw_range_error(const char* what) { ThrowLibraryFailure(what); }
void __throw_overflow_error(const char* what) { ThrowLibraryFailure(what); }
void __throw_underflow_error(const char* what) { ThrowLibraryFailure(what); }

}  // namespace std

namespace {

// Room before each thrown object for the library's record of it (__cxa_refcounted_exception, 160
// bytes in GCC 12's libstdc++, which finds it just before the object), with room to spare; a
// multiple of 16, so that the object keeps calloc's alignment. A dependent exception (the record of
// a rethrown std::exception_ptr, 144 bytes) takes a block of this size too.
constexpr std::size_t kRecord = 256;
// The block for when calloc fails: a record and an object of up to 64 bytes.
alignas(16) char reserve[kRecord + 64];
std::atomic<bool> reserve_taken = false;

// `size` bytes of zeros.
char* Allocate(std::size_t size) noexcept {
  if (void* block = std::calloc(1, size)) return static_cast<char*>(block);
  if (size > sizeof reserve || reserve_taken.exchange(true)) std::terminate();
  std::memset(reserve, 0, sizeof reserve);
  return reserve;
}

void Release(char* block) noexcept {
  if (block == reserve) {
    reserve_taken.store(false);
  } else {
    std::free(block);
  }
}

}  // namespace

namespace __cxxabiv1 {

extern "C" void* __cxa_allocate_exception(std::size_t size) noexcept {
  return Allocate(kRecord + size) + kRecord;
}

extern "C" void __cxa_free_exception(void* object) noexcept {
  Release(static_cast<char*>(object) - kRecord);
}

extern "C" __cxa_dependent_exception* __cxa_allocate_dependent_exception() noexcept {
  return reinterpret_cast<__cxa_dependent_exception*>(Allocate(kRecord));
}

extern "C" void __cxa_free_dependent_exception(__cxa_dependent_exception* exception) noexcept {
  Release(reinterpret_cast<char*>(exception));
}

}  // namespace __cxxabiv1

namespace {

// libstdc++'s __cxa_eh_globals: the chain of the exceptions a thread has caught and the count of
// those in flight (16 bytes in GCC 12), zeros at first.
constexpr std::size_t kEhGlobals = 32;
std::atomic<DWORD> eh_slot = TLS_OUT_OF_INDEXES;

// The calling thread's block, in one slot of the system's thread-local storage. A thread's block
// stays when the thread ends (those of these programs that throw are their window's). Without a
// slot or the memory for a block the program ends, as libgcc's emulated storage ends it.
void* ThreadEhGlobals() noexcept {
  DWORD slot = eh_slot.load();
  if (slot == TLS_OUT_OF_INDEXES) {
    const DWORD made = TlsAlloc();  // none: TlsSetValue fails below
    if (eh_slot.compare_exchange_strong(slot, made)) {
      slot = made;
    } else {
      TlsFree(made);  // another thread's came first
    }
  }
  const DWORD error = GetLastError();  // TlsGetValue clears it; what threw may still read it
  void* block = TlsGetValue(slot);
  if (block == nullptr) {
    block = std::calloc(1, kEhGlobals);
    if (block == nullptr || !TlsSetValue(slot, block)) std::abort();
  }
  SetLastError(error);
  return block;
}

}  // namespace

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
  return static_cast<__cxa_eh_globals*>(ThreadEhGlobals());
}

extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept {
  return static_cast<__cxa_eh_globals*>(ThreadEhGlobals());
}

}  // namespace __cxxabiv1
