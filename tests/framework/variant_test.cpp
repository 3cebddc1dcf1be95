// Variants and their arrays: conversions and the bounds of CreateArray.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/variant.h"

namespace {

TEST(Variant, ToInt32) {
  EXPECT_EQ(fw::VariantToInt32(fw::Variant()), 0);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(int32_t{-42})), -42);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(true)), 1);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(false)), 0);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(-2.9)), -2);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(1e300)), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(-1e300)), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(fw::VariantToInt32(fw::Variant(std::nan(""))), 0);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant("  -12abc")), -12);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant("+7")), 7);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant("abc")), 0);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant("")), 0);
  EXPECT_EQ(fw::VariantToInt32(fw::Variant("99999999999999999999")),
            std::numeric_limits<int32_t>::max());
  EXPECT_EQ(fw::VariantToInt32(fw::Variant("-2147483648")), std::numeric_limits<int32_t>::min());
}

TEST(Variant, ToString) {
  EXPECT_EQ(fw::VariantToString(fw::Variant()).Bytes(), "");
  EXPECT_EQ(fw::VariantToString(fw::Variant(int32_t{-2147483647 - 1})).Bytes(), "-2147483648");
  EXPECT_EQ(fw::VariantToString(fw::Variant(true)).Bytes(), "True");
  EXPECT_EQ(fw::VariantToString(fw::Variant(false)).Bytes(), "False");
  EXPECT_EQ(fw::VariantToString(fw::Variant(0.1)).Bytes(), "0.1");
  EXPECT_EQ(fw::VariantToString(fw::Variant(100.0)).Bytes(), "100");
  EXPECT_EQ(fw::VariantToString(fw::Variant(-2.5)).Bytes(), "-2.5");
  EXPECT_EQ(fw::VariantToString(fw::Variant(1e21)).Bytes(), "1e+21");
  // Texts come back byte for byte: blanks, capitals, line ends and bytes that are not UTF-8.
  const std::string odd(" Pa ss\n\xff\xc3\xa9 ");
  EXPECT_EQ(fw::VariantToString(fw::StringToVariant(fw::String(odd))).Bytes(), odd);
}

TEST(VariantArray, CreateArrayGivesNilElementsUpToTheBound) {
  auto a = fw::CreateArray(1, 4, 2);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Ubound(), 2);
  for (int32_t i = 0; i <= 2; ++i) EXPECT_EQ(fw::VarType(a->Item(i)), fw::kTypeNil);
  EXPECT_TRUE(a->Class() && a->Class()->IsA(fw::VariantArray::Record()));

  a->SetItem(0, fw::StringToVariant(fw::String("https://acct.keldara.example")));
  a->SetItem(2, fw::Variant(int32_t{5}));
  EXPECT_EQ(fw::VariantToString(a->Item(0)).Bytes(), "https://acct.keldara.example");
  EXPECT_EQ(fw::VarType(a->Item(1)), fw::kTypeNil);
  EXPECT_EQ(fw::VariantToInt32(a->Item(2)), 5);

  EXPECT_EQ(fw::CreateArray(1, 4, -1)->Ubound(), -1);
}

TEST(VariantArray, OutOfRangeIsRefused) {
  auto a = fw::CreateArray(1, 4, 2);
  EXPECT_THROW(a->Item(3), fw::OutOfBoundsException);
  EXPECT_THROW(a->Item(-1), fw::OutOfBoundsException);
  EXPECT_THROW(a->SetItem(3, fw::Variant(true)), fw::UnsupportedOperationException);
  EXPECT_THROW(fw::CreateArray(1, 4, -1)->Item(0), fw::OutOfBoundsException);
  EXPECT_THROW(fw::CreateArray(1, 4, -2), fw::UnsupportedOperationException);
  EXPECT_THROW(fw::CreateArray(2, 4, 2), fw::UnsupportedOperationException);
}

}  // namespace
