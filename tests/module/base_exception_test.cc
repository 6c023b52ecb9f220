#include "vo_tools/base_exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

namespace {

static_assert(std::is_abstract_v<CKaBaseException>,
              "only classes that supply GetMessageText can be instantiated");
static_assert(std::has_virtual_destructor_v<CKaBaseException>);

class TextException : public CKaBaseException {
 public:
  TextException(char* text, bool* destroyed) : text_(text), destroyed_(destroyed) {}
  ~TextException() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }

 protected:
  char* GetMessageText() override { return text_; }

 private:
  char* text_;
  bool* destroyed_;
};

TEST(BaseException, DereferenceReturnsTheDerivedTextPointer) {
  char text[] = "disk full";
  TextException exception(text, nullptr);
  CKaBaseException& base = exception;
  EXPECT_EQ(*base, text);  // the same pointer, not a copy

  TextException silent(nullptr, nullptr);
  CKaBaseException* base_pointer = &silent;
  EXPECT_EQ(**base_pointer, nullptr);
}

TEST(BaseException, DeletingThroughTheBaseRunsTheDerivedDestructor) {
  bool destroyed = false;
  std::unique_ptr<CKaBaseException> exception(new TextException(nullptr, &destroyed));
  exception.reset();
  EXPECT_TRUE(destroyed);
}

TEST(BaseException, CaughtByBaseAcrossTheLibraryBoundary) {
  char text[] = "thrown";
  try {
    throw TextException(text, nullptr);
  } catch (CKaBaseException& caught) {
    EXPECT_EQ(*caught, text);
    return;
  }
  FAIL() << "not caught as CKaBaseException";
}

TEST(BaseException, BaseCopiesLeaveDerivedStateAlone) {
  char first[] = "first";
  char second[] = "second";
  TextException a(first, nullptr);
  TextException b(second, nullptr);
  static_cast<CKaBaseException&>(a) = static_cast<const CKaBaseException&>(b);
  EXPECT_EQ(*a, first);
}

}  // namespace
