#include "html/MarkupSlicer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Offsets = std::vector<std::size_t>;

std::string Repeat(const std::string& strText, std::size_t nTimes)
{
    std::string strOut;
    for (std::size_t i = 0; i < nTimes; ++i)
        strOut += strText;
    return strOut;
}

CMarkupSlicer::SLimits Limits(std::size_t nTags, std::size_t nNesting, std::size_t nWork, std::size_t nFormatting)
{
    return {nTags, nNesting, nWork, nFormatting};
}

} // namespace

TEST(MarkupSlicer, WhereAPageIsCut)
{
    struct SCase {
        std::string strPage;
        CMarkupSlicer::SLimits limits;
        Offsets expected;
    };
    const CMarkupSlicer::SLimits TWO_TAGS = Limits(2, 100, 100, 100);
    const std::vector<SCase> cases = {
        {"<a href=1><a href=2>", {}, {0}},
        {"", TWO_TAGS, {0}},
        {"<p><p><p><p><p>", TWO_TAGS, {0, 6, 12}},
        {"x<b>y</b><i title='<p>'>z</i><p>", TWO_TAGS, {0, 29}},
        // Never inside a comment, raw text, a template or foreign content.
        {"<p><!-- <p><p> --><p><p>", TWO_TAGS, {0, 21}},
        {"<p><script><p><p></script><p><p>", TWO_TAGS, {0, 26}},
        {"<template><p><p><p></template><p>", TWO_TAGS, {0, 30}},
        {"<svg><g/><g/><g/></svg><p><p>", TWO_TAGS, {0, 23}},
        // A breakout tag leaves SVG content; foreignObject holds HTML but is still in SVG.
        {"<svg><p><p><p>", TWO_TAGS, {0, 8}},
        {"<svg><foreignObject><p><p><p></foreignObject></svg><p><p>", TWO_TAGS, {0, 51}},
        {"<p><textarea><p><p></textarea><p>", TWO_TAGS, {0, 30}},
        {"<p><plaintext><p><p><p>", TWO_TAGS, {0}},
        // Nesting: open elements, an end tag closing what it names and all inside it.
        {"<div><div><div></div></div><div>", Limits(100, 2, 100, 100), {0, 10}},
        {"<div><span></div><div><div><div>", Limits(100, 2, 100, 100), {0, 27}},
        {"<div></i><div></i><div>", Limits(100, 2, 100, 100), {0, 18}},
        {"<div><img><br><div><div>", Limits(100, 2, 100, 100), {0, 19}},
        {"<div><div><p><p><p>", Limits(100, 100, 5, 100), {0, 16}},
        // Unclosed formatting elements the parser would rebuild for every paragraph.
        {"<b><i><u><p>x<p>y<p>z", Limits(100, 100, 100, 5), {0, 13}},
        {"<a><a><a><p><p><p>", Limits(100, 100, 100, 3), {0, 12}},
        {"<b><b><b><p><p><p>", Limits(100, 100, 100, 3), {0, 9}},
        {"<div><a href=x", TWO_TAGS, {0}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE("page: " + c.strPage);
        EXPECT_EQ(CMarkupSlicer::Cut(c.strPage, c.limits), c.expected);
    }
}

TEST(MarkupSlicer, OrdinaryLargePagesStayWhole)
{
    const std::string strPage
        = "<html><body><ul>" + Repeat("<li><a href=x><b>x</b></a> <p>text</p>\n", 10000) + "</ul>";
    EXPECT_EQ(CMarkupSlicer::Cut(strPage, {}), Offsets {0});
}
