// Error texts and subtype names, through the library's exports.
#include "lumcap_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr UINT32 kTextChars = 512;

// {32595559-0000-0010-8000-00AA00389B71}
constexpr GUID kYuy2 = {0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr GUID kMjpg = {0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

GUID Rgb(unsigned long data1) { return {data1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}}; }

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring ErrorText(HRESULT code, HRESULT* result) {
  WCHAR text[kTextChars];
  std::wmemset(text, L'#', kTextChars);
  *result = Lumcap().LumenoGetErrorW(code, text, kTextChars);
  return SUCCEEDED(*result) ? std::wstring(text) : std::wstring();
}

std::wstring Subtype(const GUID& subtype, BOOL friendly) {
  WCHAR text[kTextChars];
  EXPECT_EQ(Lumcap().LumenoSubtypeToStringW(&subtype, friendly, text, kTextChars), S_OK);
  return text;
}

}  // namespace

TEST(ErrorText, AccessDeniedCarriesItsWin32Number) {
  HRESULT result = E_FAIL;
  const std::wstring text = ErrorText(static_cast<HRESULT>(0x80070005), &result);
  EXPECT_EQ(result, S_OK);
  EXPECT_TRUE(EndsWith(text, L" (5)")) << text;
  EXPECT_GT(text.size(), std::wstring(L" (5)").size());
  // The system's trailing line break is cut before the number.
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  EXPECT_EQ(text.find(L'\r'), std::wstring::npos);
}

TEST(ErrorText, DirectShowCodeCarriesItsHexadecimalNumber) {
  HRESULT result = E_FAIL;
  const std::wstring text = ErrorText(static_cast<HRESULT>(0x80040200), &result);
  EXPECT_EQ(result, S_OK);
  EXPECT_TRUE(EndsWith(text, L" (0x80040200)")) << text;
  EXPECT_GT(text.size(), std::wstring(L" (0x80040200)").size());
}

TEST(ErrorText, TimeoutCarriesItsWin32Number) {
  HRESULT result = E_FAIL;
  const std::wstring text = ErrorText(LUMENO_E_TIMEOUT, &result);
  EXPECT_EQ(result, S_OK);
  EXPECT_TRUE(EndsWith(text, L" (1460)")) << text;
  EXPECT_GT(text.size(), std::wstring(L" (1460)").size());
}

TEST(ErrorText, SmallBuffersAreCutOrRefused) {
  const LumcapApi& api = Lumcap();
  WCHAR wide[5];
  EXPECT_EQ(api.LumenoGetErrorW(static_cast<HRESULT>(0x80070005), wide, 5), S_OK);
  EXPECT_EQ(std::wcslen(wide), 4u);
  HRESULT result = E_FAIL;
  EXPECT_EQ(std::wstring(wide), ErrorText(static_cast<HRESULT>(0x80070005), &result).substr(0, 4));
  char ansi[5];
  EXPECT_EQ(api.LumenoGetErrorA(static_cast<HRESULT>(0x80070005), ansi, 5), static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(ansi[0], '\0');
  EXPECT_EQ(api.LumenoGetErrorW(S_OK, nullptr, 5), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetErrorA(S_OK, nullptr, 5), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetErrorW(S_OK, wide, 0), E_INVALIDARG);
}

TEST(ErrorText, AnsiTextMatchesTheWideText) {
  const LumcapApi& api = Lumcap();
  char ansi[kTextChars];
  ASSERT_EQ(api.LumenoGetErrorA(LUMENO_E_TIMEOUT, ansi, kTextChars), S_OK);
  const size_t length = std::strlen(ansi);
  ASSERT_GT(length, 7u);
  EXPECT_STREQ(ansi + length - 7, " (1460)");
}

TEST(ErrorText, ACodeWithoutTextGivesEFail) {
  HRESULT result = S_OK;
  ErrorText(static_cast<HRESULT>(0xA7FF1234), &result);
  EXPECT_EQ(result, E_FAIL);
}

TEST(SubtypeName, FourCharacterCodeWhenFriendly) {
  EXPECT_EQ(Subtype(kYuy2, TRUE), L"YUY2");
  EXPECT_EQ(Subtype(kMjpg, TRUE), L"MJPG");
}

TEST(SubtypeName, BracedGuidOtherwise) {
  EXPECT_EQ(Subtype(kYuy2, FALSE), L"{32595559-0000-0010-8000-00AA00389B71}");
  EXPECT_EQ(Subtype(Rgb(0xE436EB7D), FALSE), L"{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
}

TEST(SubtypeName, RgbFormatsByName) {
  EXPECT_EQ(Subtype(Rgb(0xE436EB78), TRUE), L"RGB1");
  EXPECT_EQ(Subtype(Rgb(0xE436EB79), TRUE), L"RGB4");
  EXPECT_EQ(Subtype(Rgb(0xE436EB7A), TRUE), L"RGB8");
  EXPECT_EQ(Subtype(Rgb(0xE436EB7C), TRUE), L"RGB555");
  EXPECT_EQ(Subtype(Rgb(0xE436EB7B), TRUE), L"RGB565");
  EXPECT_EQ(Subtype(Rgb(0xE436EB7D), TRUE), L"RGB24");
  EXPECT_EQ(Subtype(Rgb(0xE436EB7E), TRUE), L"RGB32");
}

TEST(SubtypeName, AnsiAndCutVariants) {
  const LumcapApi& api = Lumcap();
  const GUID rgb24 = Rgb(0xE436EB7D);
  char ansi[kTextChars];
  EXPECT_EQ(api.LumenoSubtypeToStringA(&rgb24, TRUE, ansi, kTextChars), S_OK);
  EXPECT_STREQ(ansi, "RGB24");
  EXPECT_EQ(api.LumenoSubtypeToStringA(&kYuy2, FALSE, ansi, kTextChars), S_OK);
  EXPECT_STREQ(ansi, "{32595559-0000-0010-8000-00AA00389B71}");
  char small[3];
  EXPECT_EQ(api.LumenoSubtypeToStringA(&kYuy2, TRUE, small, 3), static_cast<HRESULT>(0x8007007A));
  WCHAR wide[3];
  EXPECT_EQ(api.LumenoSubtypeToStringW(&kYuy2, TRUE, wide, 3), S_OK);
  EXPECT_STREQ(wide, L"YU");
  EXPECT_EQ(api.LumenoSubtypeToStringW(&kYuy2, TRUE, nullptr, 3), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSubtypeToStringA(&kYuy2, TRUE, nullptr, 3), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSubtypeToStringW(nullptr, TRUE, wide, 3), E_INVALIDARG);
}
