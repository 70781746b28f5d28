#include "html/HtmlLinkReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(FragmentTargets, IdsOfTheDocumentAndNamesOfAnchors)
{
    struct SCase {
        std::string strPage;
        std::vector<std::string> ids;
        std::vector<std::string> anchorNames;
    };
    const std::vector<SCase> cases = {
        {"<h2 id=install>x</h2><a name=usage></a><p ID='Case'>", {"install", "Case"}, {"usage"}},
        // name counts on an a element only; an a with both gives both.
        {"<div name=n><img name=i><a id=both name=both>", {"both"}, {"both"}},
        // Template contents are not in the document; the template itself is.
        {"<template id=t><p id=inside><a name=inside></template><p id=after>", {"t", "after"}, {}},
        {"<template><template id=x></template><p id=y></template><p id=z>", {"z"}, {}},
        // SVG and MathML elements are in the document; an SVG a is no HTML a.
        {"<svg id=s><g id=g><a name=svg-a></a></svg><math><mi id=m>", {"s", "g", "m"}, {}},
        // Duplicates kept in order; values decoded as the tokenizer reads them.
        {"<p id=d><p id=d><p id='caf&eacute;'><p id='100%'><p id=''>", {"d", "d", "caf\xC3\xA9", "100%", ""}, {}},
        {"<p id=a id=b><!-- <p id=c> --><script>'<p id=d>'</script><textarea><p id=e></textarea>", {"a"}, {}},
        // A body a frameset replaces is no longer in the document.
        {"<p id=gone><frameset id=f><frame id=fr></frameset>", {"f", "fr"}, {}},
        // A NUL in the data is dropped: it is no text that keeps the body.
        {std::string("\0<p id=gone><frameset id=f>", 27), {"f"}, {}},
        {"", {}, {}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE("page: " + c.strPage);
        CHtmlLinkReader reader;
        reader.Read(c.strPage);
        EXPECT_EQ(reader.GetFragmentTargets().ids, c.ids);
        EXPECT_EQ(reader.GetFragmentTargets().anchorNames, c.anchorNames);
    }
}
