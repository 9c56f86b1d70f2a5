// The standard library's failures as the programs of ours built with throw_helpers.cpp see them
// (this test program is built with it too): out of memory and lengths no container can hold are
// std::bad_alloc, broken preconditions a std::exception with the library's text, not a
// std::logic_error (whose string brings the library's string code in).

#include <gtest/gtest.h>

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
