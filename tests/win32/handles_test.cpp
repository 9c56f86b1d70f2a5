#include "platform/win32/handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace tgw::win32 {
namespace {

TEST(HandlesTest, EachHandleKindHasItsOwnInvalidValue) {
  EXPECT_EQ(UniqueFile().get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(UniqueFile());
  EXPECT_FALSE(UniqueFile(INVALID_HANDLE_VALUE));
  EXPECT_EQ(UniqueHandle().get(), nullptr);
  EXPECT_FALSE(UniqueHandle());
  EXPECT_FALSE(UniqueCoTaskMem<wchar_t>());
}

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
