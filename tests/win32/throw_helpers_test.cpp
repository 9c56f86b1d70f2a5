// The standard library's failures as the programs of ours built with throw_helpers.cpp see them
// (this test program is built with it too): out of memory and lengths no container can hold are
// std::bad_alloc, broken preconditions a std::exception with the library's text, not a
// std::logic_error (whose string brings the library's string code in); each thread has its own
// exceptions, and throwing keeps the system's last error.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

TEST(ThrowHelpers, LengthsNoContainerCanHoldAreOutOfMemory) {
  std::vector<char> bytes;
  EXPECT_THROW(bytes.resize(bytes.max_size() + 1), std::bad_alloc);
  std::wstring text;
  EXPECT_THROW(text.reserve(text.max_size() + 1), std::bad_alloc);
}

TEST(ThrowHelpers, BrokenPreconditionsAreStandardExceptionsWithTheLibrarysText) {
  const std::vector<int> numbers(2);
  const std::wstring text = L"ab";
  for (const std::function<void()>& fails : std::vector<std::function<void()>>{
           [&numbers] { (void)numbers.at(2); }, [&text] { (void)text.substr(3); }}) {
    try {
      fails();
      ADD_FAILURE() << "no exception";
    } catch (const std::logic_error& failure) {
      ADD_FAILURE() << "a std::logic_error: " << failure.what();
    } catch (const std::exception& failure) {
      EXPECT_NE(std::string(failure.what()).find("which is"), std::string::npos);
    }
  }
}

TEST(ThrowHelpers, EachThreadHasItsOwnExceptionsAndThrowingKeepsTheLastError) {
  const auto other = [](void*) -> DWORD {  // has caught nothing; gives the error it threw with
    if (std::current_exception() != nullptr) return 1;
    try {
      SetLastError(ERROR_ACCESS_DENIED);
      throw 1;
    } catch (int) {
      return GetLastError();
    }
  };
  try {
    throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
    const HANDLE thread = CreateThread(nullptr, 0, other, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    DWORD code = 0;
    WaitForSingleObject(thread, INFINITE);
    EXPECT_TRUE(GetExitCodeThread(thread, &code) && CloseHandle(thread));
    EXPECT_EQ(code, DWORD{ERROR_ACCESS_DENIED});
    EXPECT_NE(std::current_exception(), nullptr);
  }
}
