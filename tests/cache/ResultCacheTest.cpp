#include "cache/ResultCache.h"
#include "net/TransferOptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

TEST(ResultCache, AgeIsAnIntegerAndOneUnitNothingElse)
{
    const struct {
        const char* pszText;
        long long nSeconds; // -1: refused
    } cases[] = {
        {"0s", 0},
        {"30m", 1800},
        {"12h", 43200},
        {"7d", 604800},
        {"007d", 604800},
        {"999999999999d", 86399999999913600},
        {"", -1},
        {"5", -1},
        {"d", -1},
        {"1w", -1},
        {"1D", -1},
        {"-1d", -1},
        {"+1d", -1},
        {" 1d", -1},
        {"1d ", -1},
        {"1.5h", -1},
        {"1h30m", -1},
        {"0x1s", -1},
        {"1000000000000d", -1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.pszText);
        const auto age = CResultCache::ParseAge(test.pszText);
        ASSERT_EQ(age.has_value(), test.nSeconds >= 0);
        if (age) {
            EXPECT_EQ(age->count(), test.nSeconds);
        }
    }
}

TEST(ResultCache, OptionsThatChangeAnswersChangeTheFingerprint)
{
    const STransferOptions plain;
    const std::string strPlain = CResultCache::MakeFingerprint(plain);
    STransferOptions compressed = plain;
    compressed.bAskForCompression = !plain.bAskForCompression;
    EXPECT_EQ(CResultCache::MakeFingerprint(compressed), strPlain);
    const std::vector<std::function<void(STransferOptions&)>> changes = {
        [](STransferOptions& options) { options.strUserAgent += "/2"; },
        [](STransferOptions& options) { options.headers.push_back("X-Token: 1"); },
        [](STransferOptions& options) { options.bNetrc = true; },
        [](STransferOptions& options) { options.strCookieFile = "cookies.txt"; },
    };
    for (std::size_t nChange = 0; nChange < changes.size(); ++nChange) {
        SCOPED_TRACE(nChange);
        STransferOptions options = plain;
        changes[nChange](options);
        EXPECT_NE(CResultCache::MakeFingerprint(options), strPlain);
    }
}
