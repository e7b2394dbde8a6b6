// The number rows' character filter, typed into character by character.
#include "propbox/propbox_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int32_t kUnsigned = 4, kSigned = 5, kDecimal = 6, kText = 7;

// Types `keys` one by one at the caret's end, as an editor would, keeping
// what the filter accepts.
std::wstring TypeEach(int32_t kind, const std::wstring& keys) {
  std::wstring text;
  for (wchar_t key : keys) {
    const int caret = static_cast<int>(text.size());
    if (NumberCharacterAccepted(kind, key, text, caret, caret)) text.push_back(key);
  }
  return text;
}

TEST(NumberFilter, ADecimalRowTakesANegativeNumberAndOnePoint) {
  EXPECT_EQ(TypeEach(kDecimal, L"-12.5"), L"-12.5");
  EXPECT_EQ(TypeEach(kDecimal, L"-12.5.3"), L"-12.53") << "a second point is refused";
  EXPECT_EQ(TypeEach(kDecimal, L"1-2"), L"12") << "a minus after the first place";
  EXPECT_EQ(TypeEach(kDecimal, L"x1e3"), L"13");
  // A point typed in front of a leading minus would put the minus after it.
  EXPECT_FALSE(NumberCharacterAccepted(kDecimal, L'.', L"-5", 0, 0));
  EXPECT_TRUE(NumberCharacterAccepted(kDecimal, L'.', L"-5", 0, 1)) << "the minus is replaced";
  // The selection typed over holds the only point.
  EXPECT_TRUE(NumberCharacterAccepted(kDecimal, L'.', L"1.25", 1, 3));
  EXPECT_FALSE(NumberCharacterAccepted(kDecimal, L'.', L"1.25", 2, 4));
}

TEST(NumberFilter, UnsignedTakesDigitsOnlyAndSignedOneLeadingMinus) {
  EXPECT_EQ(TypeEach(kUnsigned, L"-12.5"), L"125");
  EXPECT_FALSE(NumberCharacterAccepted(kUnsigned, L'-', L"", 0, 0));
  EXPECT_EQ(TypeEach(kSigned, L"--12.5"), L"-125");
  EXPECT_TRUE(NumberCharacterAccepted(kSigned, L'-', L"12", 0, 0));
  EXPECT_FALSE(NumberCharacterAccepted(kSigned, L'-', L"12", 1, 1)) << "only at the start";
  EXPECT_FALSE(NumberCharacterAccepted(kSigned, L'-', L"-12", 0, 0)) << "only once";
  EXPECT_TRUE(NumberCharacterAccepted(kSigned, L'-', L"-12", 0, 1)) << "a selected minus is replaced";
  EXPECT_TRUE(NumberCharacterAccepted(kSigned, L'-', L"-12", 0, 3));
  // Backspace reaches the filter as a character; refusing it would make a
  // number impossible to correct.
  EXPECT_TRUE(NumberCharacterAccepted(kUnsigned, L'\b', L"12", 2, 2));
  EXPECT_TRUE(NumberCharacterAccepted(kText, L'-', L"", 0, 0)) << "other kinds keep everything";
}

TEST(NumberFilter, NothingGoesInFrontOfAMinusThatStays) {
  const struct {
    int32_t kind;
    wchar_t key;
    const wchar_t* text;
    int start, end;
    bool accepted;
  } cases[] = {
      {kSigned, L'7', L"-5", 0, 0, false},   // "7-5"
      {kDecimal, L'7', L"-5", 0, 0, false},
      {kSigned, L'7', L"-5", 1, 1, true},    // after the minus
      {kSigned, L'7', L"-5", 0, 1, true},    // the minus typed over
      {kDecimal, L'7', L"-5", 0, 2, true},
      {kSigned, L'7', L"5", 0, 0, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NumberCharacterAccepted(c.kind, c.key, c.text, c.start, c.end), c.accepted)
        << "kind " << c.kind << " '" << static_cast<char>(c.key) << "' into \"" << c.text << "\" at " << c.start;
}

TEST(NumberFilter, AWholeTextPassesOnlyWhenItCouldHaveBeenTyped) {
  const struct {
    int32_t kind;
    const wchar_t* text;
    bool accepted;
  } cases[] = {
      {kUnsigned, L"1200", true},   {kUnsigned, L"12abc", false}, {kUnsigned, L"-1", false},
      {kSigned, L"-12", true},      {kSigned, L"1-2", false},     {kSigned, L"--1", false},
      {kDecimal, L"-1.5", true},    {kDecimal, L"1.2.3", false},  {kDecimal, L"", true},
      {kDecimal, L"1\t2", false},  // a control character is no part of a number
  };
  for (const auto& c : cases) EXPECT_EQ(NumberTextAccepted(c.kind, c.text), c.accepted) << "kind " << c.kind;
}

}  // namespace
