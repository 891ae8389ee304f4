// Serial numbers between hidapi's wide strings and the library's narrow copy.
#include <gtest/gtest.h>

#include "hid/HidapiBackend.h"

namespace vantrel::hid {
namespace {

TEST(WideText, SerialNumbersSurviveTheRoundTrip)
{
    for (const wchar_t* serial : {L"", L"SN0001", L"Gr\u00fc\u00dfe-\u20ac", L"\U0001F600x"}) {
        const std::string narrow = narrowFromWide(serial);
        EXPECT_EQ(wideFromNarrow(narrow), std::wstring(serial));
    }
    EXPECT_EQ(narrowFromWide(L"ABC-12"), "ABC-12");
    EXPECT_EQ(narrowFromWide(nullptr), "");
}

TEST(WideText, BrokenTextBecomesQuestionMarks)
{
    EXPECT_EQ(wideFromNarrow("a\xC3"), L"a?");         // truncated sequence
    EXPECT_EQ(wideFromNarrow("\xFF" "b"), L"?b");      // invalid lead byte
    EXPECT_EQ(wideFromNarrow("\xE2\x28\xA1"), L"?(?");  // bad continuation
    const wchar_t surrogate[] = {static_cast<wchar_t>(0xD800), 0};
    EXPECT_EQ(narrowFromWide(surrogate), "?");
}

}  // namespace
}  // namespace vantrel::hid
