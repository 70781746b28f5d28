// The tokenizer's tags state group by state group: a row is an input and
// the tags it yields, each written "name attr=value ..." ("/name" for an
// end tag, a trailing " /" when self-closing). The tree state says what
// text follows a start tag, as it does for the reader.
#include "html/HtmlTokenizer.h"
#include "html/HtmlTreeState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct STokenCase {
    std::string strInput;
    std::vector<std::string> expected;
};

std::string Describe(const SHtmlTag& tag)
{
    std::string strOut = (tag.bEndTag ? "/" : "") + tag.strName;
    for (std::size_t i = 0; i < tag.nAttributes; ++i)
        strOut += " " + tag.attributes[i].strName + "=" + tag.attributes[i].strValue;
    return strOut + (tag.bSelfClosing ? " /" : "");
}

std::vector<std::string> Tokenize(const std::string& strInput)
{
    CHtmlTokenizer tokenizer(strInput);
    CHtmlTreeState tree;
    SHtmlTag tag;
    std::vector<std::string> tags;
    while (tokenizer.NextTag(tag)) {
        tags.push_back(Describe(tag));
        if (tag.bEndTag) {
            tree.OnEndTag(tag);
        } else {
            const CHtmlTreeState::SElement element = tree.OnStartTag(tag, tokenizer.HasSeenText());
            if (element.eText != CHtmlTokenizer::EText::DATA)
                tokenizer.SetText(element.eText, tag.strName);
        }
        tokenizer.SetForeignContent(tree.IsForeignContent());
    }
    return tags;
}

void ExpectTags(const std::vector<STokenCase>& cases)
{
    for (const STokenCase& c : cases) {
        SCOPED_TRACE("input: " + c.strInput);
        EXPECT_EQ(Tokenize(c.strInput), c.expected);
    }
}

} // namespace

TEST(HtmlTokenizer, DataAndTagOpen)
{
    ExpectTags({
        {"<a>", {"a"}},
        {"<DiV>x</DIV >", {"div", "/div"}},
        {"< a><1><>x", {}},
        {"a<b", {}},
        {"<a<b>", {"a<b"}},
        {"</>x</ a><a>", {"a"}},
        {"<?xml version='1.0'?><a>", {"a"}},
        {"</a b=c>", {"/a b=c"}},
        {"<br/><br/ ><br />", {"br /", "br", "br /"}},
        {"<a", {}},
        {"<a href=x", {}},
        {std::string("<a\0b>", 5),
            {"a\xEF\xBF\xBD"
             "b"}},
    });
}

TEST(HtmlTokenizer, AttributesInEveryQuotingForm)
{
    ExpectTags({
        {"<a b=c d='e f' g=\"h'i\" j>", {"a b=c d=e f g=h'i j="}},
        {"<a b = 'c' d= e>", {"a b=c d=e"}},
        {"<a b=c=d e=f\"g'h<i`>", {"a b=c=d e=f\"g'h<i`"}},
        {"<a b='c'd=e>", {"a b=c d=e"}},
        {"<a =b>", {"a =b="}},
        {"<a b\"c='d'>", {"a b\"c=d"}},
        {"<a HREF=x Href=y href=z>", {"a href=x"}},
        {"<a b=>", {"a b="}},
        {"<a b='x/>'>", {"a b=x/>"}},
        {"<a/b/c=d/>", {"a b= c=d/"}},
        {"<a b='\r\nc\rd'>", {"a b=\nc\nd"}},
        {std::string("<a b='\0'>", 9), {"a b=\xEF\xBF\xBD"}},
        {"<a b='c>", {}},
    });
}

TEST(HtmlTokenizer, CharacterReferencesInValues)
{
    ExpectTags({
        {"<a b='&amp;&lt;&gt;&quot;&apos;'>", {"a b=&<>\"'"}},
        {"<a b='&amp &lt x'>", {"a b=& < x"}},
        // A legacy name without ';' that a letter follows stays text in a value.
        {"<a b='&notit; &notin; &not!'>", {"a b=&notit; \xE2\x88\x89 \xC2\xAC!"}},
        {"<a b='?x=1&copy=2&copyz&copy;'>", {"a b=?x=1&copy=2&copyz\xC2\xA9"}},
        {"<a b='&nosuch; & &; &#; &#x; &#xg;'>", {"a b=&nosuch; & &; &#; &#x; &#xg;"}},
        {"<a b='&#65;&#x41;&#X41&#0065x'>", {"a b=AAAAx"}},
        {"<a b='&#0;&#xD800;&#x110000;&#99999999999;'>", {"a b=\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}},
        {"<a b='&#128;&#x9F;&#x81;'>", {"a b=\xE2\x82\xAC\xC5\xB8\xC2\x81"}},
        {"<a b='&NotNestedGreaterGreater;&nGt;'>", {"a b=\xE2\xAA\xA2\xCC\xB8\xE2\x89\xAB\xE2\x83\x92"}},
        {"<a b=&amp;c>", {"a b=&c"}},
        {"<p>&lt;a b=c&gt; &</p>", {"p", "/p"}},
    });
}

TEST(HtmlTokenizer, CommentsDoctypesAndBogusComments)
{
    ExpectTags({
        {"<!----><a>", {"a"}},
        {"<!--><a>", {"a"}},
        {"<!---><a>", {"a"}},
        {"<!-- -- > <b> --><a>", {"a"}},
        {"<!-- --!><a>", {"a"}},
        {"<!-- <!-- --><a>", {"a"}},
        {"<!-- --- ---><a>", {"a"}},
        {"<!--x--!-->-><a>", {"a"}},
        {"<!-- <a>", {}},
        {"<!x <b> ><a>", {"a"}},
        {"<!DOCTYPE html><a>", {"a"}},
        {"<!doctype html public \"x>\"<a>", {"a"}},
        {"<![CDATA[ > <a>]]>", {"a"}},
    });
}

TEST(HtmlTokenizer, RcdataAndRawtext)
{
    ExpectTags({
        {"<title><a></title><b>", {"title", "/title", "b"}},
        {"<TITLE></titlex></TiTlE x=y><b>", {"title", "/title x=y", "b"}},
        {"<textarea><!--</textarea>--><b>", {"textarea", "/textarea", "b"}},
        {"<style>a > b { }</style/><b>", {"style", "/style /", "b"}},
        {"<xmp></style><a></xmp>", {"xmp", "/xmp"}},
        {"<iframe><a></iframe>", {"iframe", "/iframe"}},
        {"<noembed><a></noembed><noframes><a></noframes>", {"noembed", "/noembed", "noframes", "/noframes"}},
        {"<noscript><a></noscript>", {"noscript", "a", "/noscript"}},
        {"<title><a>", {"title"}},
        {"<title></title", {"title"}},
    });
}

TEST(HtmlTokenizer, ScriptDataAndItsEscapes)
{
    ExpectTags({
        {"<script><a></script><b>", {"script", "/script", "b"}},
        {"<script>x</scriptx><a></SCRIPT ><b>", {"script", "/script", "b"}},
        {"<script><!--</script><a>", {"script", "/script", "a"}},
        {"<script><!--<script></script><a>--></script><b>", {"script", "/script", "b"}},
        {"<script><!--<script>--></script><a>", {"script", "/script", "a"}},
        {"<script><!--<script></script>x</script><a>", {"script", "/script", "a"}},
        {"<script><!-- -></script><a>", {"script", "/script", "a"}},
        {"<script><!--<scripts></script><a>", {"script", "/script", "a"}},
        {"<script><!--<script>x</scriptx></script>-><a>", {"script"}},
    });
}

TEST(HtmlTokenizer, PlaintextAndCdataInForeignContent)
{
    ExpectTags({
        {"<plaintext></plaintext><a>", {"plaintext"}},
        {"<svg><![CDATA[ > <a>]]><g/></svg>", {"svg", "g /", "/svg"}},
        {"<math><![CDATA[<a>]]></math>", {"math", "/math"}},
        {"<svg><foreignObject><p><![CDATA[ > <a>]]>", {"svg", "foreignobject", "p", "a"}},
        {"<svg><title><![CDATA[ > <a>]]>", {"svg", "title"}},
        {"<svg><style><a></style>", {"svg", "style", "a", "/style"}},
        {"<svg></svg><title><a></title>", {"svg", "/svg", "title", "/title"}},
    });
}
