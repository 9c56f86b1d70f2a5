#include "platform/win32/handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace tgw::win32 {
namespace {

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(HandlesTest, EachHandleKindHasItsOwnInvalidValue) {
  EXPECT_EQ(UniqueFile().get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(UniqueFile());
  EXPECT_FALSE(UniqueFile(INVALID_HANDLE_VALUE));
  EXPECT_EQ(UniqueHandle().get(), nullptr);
  EXPECT_FALSE(UniqueHandle());
  EXPECT_FALSE(UniqueCoTaskMem<wchar_t>());
}

TEST(HandlesTest, UniqueHandleClosesWhenDestroyedOrReset) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    const UniqueHandle event(raw);
    EXPECT_TRUE(event);
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));

  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  raw = event.get();
  event.reset();
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_FALSE(event);
}

TEST(HandlesTest, MovingAndReleasingPassOwnership) {
  UniqueHandle first(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE raw = first.get();
  UniqueHandle second(std::move(first));
  EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(second.get(), raw);

  UniqueHandle third;
  third = std::move(second);
  EXPECT_TRUE(IsOpen(raw));
  const HANDLE released = third.release();
  EXPECT_FALSE(third);
  EXPECT_TRUE(IsOpen(released));
  CloseHandle(released);
}

TEST(HandlesTest, UniqueFileOwnsWhatCreateFileGives) {
  wchar_t temp[MAX_PATH + 1];
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
  wchar_t name[MAX_PATH + 1];
  ASSERT_NE(GetTempFileNameW(temp, L"tgw", 0, name), 0u);
  HANDLE raw = INVALID_HANDLE_VALUE;
  {
    const UniqueFile file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(file);
    raw = file.get();
  }
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES) << "deleted on close";

  const UniqueFile missing(CreateFileW(L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);
}

TEST(HandlesTest, PutReleasesAndStores) {
  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE old = event.get();
  HANDLE* slot = event.put();
  EXPECT_FALSE(IsOpen(old));
  EXPECT_EQ(*slot, nullptr);
  *slot = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_TRUE(event);
}

TEST(HandlesTest, UniqueCoTaskMemFreesWithCoTaskMemFree) {
  UniqueCoTaskMem<wchar_t> text(static_cast<wchar_t*>(CoTaskMemAlloc(16)));
  ASSERT_TRUE(text);
  text.get()[0] = L'x';
  text.reset();
  EXPECT_FALSE(text);
}

// A COM object that counts its references. (COM objects are never deleted through the
// interface, hence its destructor is not virtual.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Counted final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};
#pragma GCC diagnostic pop

TEST(HandlesTest, ComPtrHoldsOneReference) {
  Counted object;
  {
    ComPtr<IUnknown> first(&object);  // adopts the first reference
    EXPECT_EQ(object.references, 1u);
    {
      const ComPtr<IUnknown> copy(first);
      EXPECT_EQ(object.references, 2u);
      ComPtr<IUnknown> assigned;
      assigned = copy;
      EXPECT_EQ(object.references, 3u);
      ComPtr<IUnknown> moved(std::move(assigned));
      EXPECT_EQ(object.references, 3u);
      EXPECT_EQ(moved.get(), &object);
    }
    EXPECT_EQ(object.references, 1u);
    IUnknown** slot = first.put();
    EXPECT_EQ(object.references, 0u);
    EXPECT_EQ(*slot, nullptr);
    object.references = 1;
    *slot = &object;
  }
  EXPECT_EQ(object.references, 0u);
}

}  // namespace
}  // namespace tgw::win32
