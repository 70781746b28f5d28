#pragma once

#include <optional>
#include <string>
#include <vector>

struct CCliOptions;

/// The modern mode's crawl settings as the window keeps them: in the
/// QSettings group "Modern", each key named as the settings file's key.
/// Read at each Go; the window never reads a settings file by itself.
class CWindowSettings {
public:
    CWindowSettings();

    /// The stored settings; a missing key keeps its default.
    static CWindowSettings Load();
    /// Writes every key.
    void Save() const;
    /// The settings as the command line's arguments, in a fixed order.
    std::vector<std::string> MakeArguments() const;
    /// Takes from options the settings whose keys given names; the rest
    /// stay as they are.
    void TakeFrom(const CCliOptions& options, const std::vector<std::string>& given);

    /// The reason a list of accepted status codes is refused: codes from 100
    /// to 599, or ranges of them such as 200-299, separated by commas.
    static std::optional<std::string> CheckAccept(const std::string& strCodes);
    /// The reason a settings file's settings cannot apply; nothing when they
    /// do. given and options come from the file.
    static std::optional<std::string> Read(
        const std::string& strPath, CCliOptions& options, std::vector<std::string>& given);

    int m_nPerHost;
    int m_nRate = 0;
    int m_nRetries;
    int m_nMaxRetryWait;
    bool m_bNoRobots = false;
    std::string m_strUserAgent;
    std::vector<std::string> m_includes;
    std::vector<std::string> m_excludes;
    std::string m_strAccept;
    std::string m_strCache;
    std::string m_strCacheAge = "1d";
    bool m_bNetrc = false;
};
