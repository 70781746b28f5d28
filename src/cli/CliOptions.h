#pragma once

#include "cli/OutputChoice.h"
#include "cli/RequestChoice.h"
#include "crawl/Crawler.h"
#include "modern/CheckPolicy.h"
#include "modern/PathMap.h"

#include <string>
#include <vector>

/// What the command line asked for, once parsed and checked.
struct CCliOptions {
    // The first start URL of the command line; urls holds them all.
    std::string strURL;
    std::vector<std::string> urls;
    std::string strUrlsFrom;
    std::vector<std::string> sitemaps;
    std::string strFile;
    std::string strReport;
    bool bRecursive = false;
    bool bExploreCgi = false;
    bool bOnlyBad = false;
    COutputChoice output;
    int nJobs = CCrawler::DEFAULT_JOBS;
    int nPerHost = CCrawler::DEFAULT_PER_HOST;
    int nMaxPages = 0;
    int nMaxDepth = 0;
    bool bModern = false;
    std::string strCABundle;
    bool bHttp11 = false;
    std::string strUserAgent;
    int nRate = 0;
    bool bNoRobots = false;
    bool bNoFragments = false;
    std::string strCache;
    std::string strCacheAge = "1d";
    SCheckPolicy policy;
    // --accept as given, read into policy once checked.
    std::vector<std::string> accepts;
    bool bStrict = false;
    std::vector<std::string> excludes;
    std::vector<std::string> includes;
    std::string strConfig;
    CRequestChoice request;
    // --file names a folder: its pages are the start pages.
    bool bFolder = false;
    // --map PREFIX=DIR as given, and the map made of them.
    std::vector<std::string> maps;
    CPathMap pathMap;
    // --changed paths, those of --changed-from after them.
    std::vector<std::string> changed;
    std::string strChangedFrom;
    // --changed or --changed-from was given, even if no path came of them.
    bool bChanges = false;
};
