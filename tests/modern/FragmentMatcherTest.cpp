// Where a fragment points, as the HTML standard finds the indicated part of
// a document, and which ids a missing one was likely meant to be.
#include "modern/FragmentMatcher.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TEST(FragmentMatcher, AReferenceCarriesTheFragmentItsRowNames)
{
    const struct {
        const char* pszReference;
        std::optional<std::string> fragment;
    } cases[] = {
        {"guide.html", std::nullopt},
        {"guide.html#", std::nullopt},
        {"#usage", "usage"},
        {"a.html?q=1#Usage", "Usage"},
        // A text directive scrolls to text: only what comes before it is checked.
        {"#:~:text=install", std::nullopt},
        {"#usage:~:text=x", "usage"},
        {"#caf\xc3\xa9", "caf%C3%A9"},
        {"#caf%c3%a9", "caf%C3%A9"},
        {"#a b\"<>`", "a%20b%22%3C%3E%60"},
        {"#100%", "100%"},
        {"#x#y", "x#y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszReference);
        EXPECT_EQ(CFragmentMatcher::FromReference(c.pszReference), c.fragment);
    }
}

TEST(FragmentMatcher, AFragmentNamesAnIdOrAnAnchorNameOrTheTop)
{
    // What the reader collects: template contents and name on a div are not in it.
    const SFragmentTargets targets {{"install", "caf\xc3\xa9", "50%", "Usage", "dup", "dup"}, {"old-name"}};
    const struct {
        const char* pszFragment;
        bool bFound;
    } cases[] = {
        {"install", true},
        {"old-name", true},
        {"usage", false}, // case matters
        {"Usage", true},
        {"caf%C3%A9", true}, // decoded as UTF-8 when the text itself names nothing
        {"50%", true}, // an id holding % matches as written
        {"dup", true},
        {"top", true},
        {"TOP", true},
        {"%74op", true},
        {"nosuch", false},
        {"in-template", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszFragment);
        EXPECT_EQ(CFragmentMatcher::Finds(targets, c.pszFragment), c.bFound);
    }
}

TEST(FragmentMatcher, SuggestionsAreTheNearestIdsClosestFirstTiesInDocumentOrder)
{
    const SFragmentTargets targets {
        {"installation", "usage", "install", "usages", "a", "b", "c", "d", "configuration-of-the-server"}, {"usag"}};
    const struct {
        const char* pszFragment;
        std::vector<std::string> suggestions;
    } cases[] = {
        {"instalation", {"installation"}},
        {"usag", {"usage", "usages", "a"}},
        {"usagex", {"usage", "usages"}},
        {"configuration-of-the-serve", {"configuration-of-the-server"}},
        // At most three, however many are near.
        {"x", {"a", "b", "c"}},
        {"zzzzzzzz", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszFragment);
        EXPECT_EQ(CFragmentMatcher::Suggest(targets, c.pszFragment), c.suggestions);
    }
}

} // namespace
