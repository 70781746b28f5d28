#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

/// The settings of a TOML file, each key the name of one of the command
/// line's long options without its dashes: so every option the program
/// declares can be set there, with no list of its own to keep. The one user
/// of toml++.
class CConfigFile {
public:
    /// Reads strPath against app's declared options. False, with strError
    /// naming the file (and the line and key where there is one), when the
    /// file cannot be read, is not TOML, names what is not a long option, or
    /// gives one a value of the wrong type.
    bool Read(const std::string& strPath, const CLI::App& app, std::string& strError);
    /// Read's work on strText, the content of a file named strPath.
    bool Parse(const std::string& strText, const std::string& strPath, const CLI::App& app, std::string& strError);
    /// The settings as arguments, in the file's order: every value of a
    /// repeatable option, the others only when parsed (the command line)
    /// does not give them.
    std::vector<std::string> MakeArguments(const CLI::App& parsed) const;
    /// Calls tryArguments with the arguments of the first setting, then of
    /// the first two, and so on; its first message comes back naming the
    /// file, line and key of the setting that brought it.
    std::optional<std::string> Check(
        const std::function<std::optional<std::string>(const std::vector<std::string>&)>& tryArguments) const;

    /// Names that are options but no settings.
    static bool IsReserved(const std::string& strKey);

private:
    struct SSetting {
        std::string strKey;
        long nLine = 0;
        std::vector<std::string> arguments;
        bool bRepeatable = false;
    };

    std::string Where(const SSetting& setting) const;

    std::string m_strPath;
    std::vector<SSetting> m_settings;
};
