#include "report/JsonWriter.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "report/CrawlSummary.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

TEST(JsonWriter, LinkWithoutAReferrerHasANullReferrer)
{
    CLinkArray links;
    links.Add(std::make_unique<CLink>("http://127.0.0.1/alone.html", nullptr));
    std::ostringstream out;
    CJsonWriter(links, CCrawlSummary(links, 0, 1.23456), false).Write(out);
    EXPECT_EQ(out.str(),
        "{\n  \"rows\": [\n"
        "    {\"referrer\":null,\"link\":\"http://127.0.0.1/alone.html\",\"status_code\":-1,\"status_text\":\"\"}\n"
        "  ],\n"
        "  \"summary\": "
        "{\"links\":1,\"good\":0,\"bad\":0,\"unchecked\":1,\"pages_fetched\":0,\"elapsed_seconds\":1.235,"
        "\"truncated_by\":null}\n"
        "}\n");
}
