#include "cli/ConfigFile.h"

#include <CLI/CLI.hpp>
#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace {

// Far beyond any settings file; a bound, so a wrong path (a log, a device)
// cannot fill the memory.
constexpr std::size_t MAX_FILE = 1 << 20;

enum class EKind { FLAG, INTEGER, NUMBER, TEXT };

// What CLI11 says an option's values are; anything else is taken as text.
EKind KindOf(const CLI::Option& option)
{
    if (option.get_expected_max() == 0)
        return EKind::FLAG;
    const std::string strType = option.get_type_name();
    if (strType.rfind("INT", 0) == 0 || strType.rfind("UINT", 0) == 0)
        return EKind::INTEGER;
    if (strType.rfind("FLOAT", 0) == 0 || strType.rfind("NUMBER", 0) == 0)
        return EKind::NUMBER;
    return EKind::TEXT;
}

bool IsRepeatable(const CLI::Option& option)
{
    return option.get_expected_max() > 1 || option.get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll;
}

const char* KindName(EKind eKind, bool bRepeatable)
{
    switch (eKind) {
    case EKind::FLAG: return "true or false";
    case EKind::INTEGER: return bRepeatable ? "an array of integers" : "an integer";
    case EKind::NUMBER: return bRepeatable ? "an array of numbers" : "a number";
    case EKind::TEXT: break;
    }
    return bRepeatable ? "a string or an array of strings" : "a string";
}

// One value as the option's argument; nothing when its type is wrong.
std::optional<std::string> ValueText(const toml::node& node, EKind eKind)
{
    if (eKind == EKind::INTEGER && node.is_integer())
        return std::to_string(node.as_integer()->get());
    if (eKind == EKind::NUMBER && (node.is_integer() || node.is_floating_point())) {
        std::ostringstream text;
        text << std::setprecision(17) << node.value<double>().value_or(0);
        return text.str();
    }
    if (eKind == EKind::TEXT && node.is_string())
        return node.as_string()->get();
    return std::nullopt;
}

// The arguments that give option the value of node; false when its type is wrong.
bool MakeOptionArguments(
    const toml::node& node, const CLI::Option& option, const std::string& strKey, std::vector<std::string>& arguments)
{
    const EKind eKind = KindOf(option);
    if (eKind == EKind::FLAG) {
        if (!node.is_boolean())
            return false;
        if (node.as_boolean()->get())
            arguments.push_back("--" + strKey);
        return true;
    }
    // A lone value of a repeatable option is taken as an array of one.
    const toml::array* pArray = node.as_array();
    if (pArray == nullptr || !IsRepeatable(option)) {
        std::optional<std::string> strValue = ValueText(node, eKind);
        if (strValue)
            arguments.push_back("--" + strKey + "=" + *strValue);
        return strValue.has_value();
    }
    for (const toml::node& element : *pArray) {
        std::optional<std::string> strValue = ValueText(element, eKind);
        if (!strValue)
            return false;
        arguments.push_back("--" + strKey + "=" + *strValue);
    }
    return true;
}

// The long option named strKey, not counting the positional ones.
const CLI::Option* FindOption(const CLI::App& app, const std::string& strKey)
{
    for (const CLI::Option* pOption : app.get_options()) {
        const std::vector<std::string>& names = pOption->get_lnames();
        if (std::find(names.begin(), names.end(), strKey) != names.end())
            return pOption;
    }
    return nullptr;
}

// A key as a message shows it: a file may hold any bytes.
std::string Printable(std::string_view str)
{
    std::string strClean(str.substr(0, 100));
    for (char& ch : strClean) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (nByte < 0x20 || nByte == 0x7f)
            ch = '?';
    }
    return strClean;
}

bool ReadText(const std::string& strPath, std::string& strText, std::string& strError)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file) {
        strError
            = "cannot read the config file " + Printable(strPath) + ": " + std::strerror(errno != 0 ? errno : ENOENT);
        return false;
    }
    strText.resize(MAX_FILE + 1);
    file.read(strText.data(), static_cast<std::streamsize>(strText.size()));
    if (file.bad()) {
        strError = "cannot read the config file " + Printable(strPath);
        return false;
    }
    strText.resize(static_cast<std::size_t>(file.gcount()));
    if (strText.size() > MAX_FILE) {
        strError = Printable(strPath) + ": longer than " + std::to_string(MAX_FILE) + " bytes; not a config file";
        return false;
    }
    return true;
}

} // namespace

bool CConfigFile::IsReserved(const std::string& strKey)
{
    return strKey == "help" || strKey == "version" || strKey == "config";
}

bool CConfigFile::Read(const std::string& strPath, const CLI::App& app, std::string& strError)
{
    std::string strText;
    return ReadText(strPath, strText, strError) && Parse(strText, strPath, app, strError);
}

bool CConfigFile::Parse(
    const std::string& strText, const std::string& strPath, const CLI::App& app, std::string& strError)
{
    m_strPath = strPath;
    m_settings.clear();
    toml::table table;
    try {
        table = toml::parse(strText, strPath);
    } catch (const toml::parse_error& e) {
        strError
            = Printable(strPath) + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    for (const auto& [key, node] : table) {
        SSetting setting {std::string(key.str()), static_cast<long>(node.source().begin.line), {}, false};
        const CLI::Option* pOption = IsReserved(setting.strKey) ? nullptr : FindOption(app, setting.strKey);
        if (pOption == nullptr) {
            strError = Where(setting) + "not an option of this program";
            return false;
        }
        setting.bRepeatable = IsRepeatable(*pOption);
        if (!MakeOptionArguments(node, *pOption, setting.strKey, setting.arguments)) {
            strError = Where(setting) + "expects " + KindName(KindOf(*pOption), setting.bRepeatable);
            return false;
        }
        m_settings.push_back(std::move(setting));
    }
    // The table is sorted by key; a conflict is named at the later line.
    std::stable_sort(m_settings.begin(), m_settings.end(),
        [](const SSetting& first, const SSetting& second) { return first.nLine < second.nLine; });
    return true;
}

std::vector<std::string> CConfigFile::MakeArguments(const CLI::App& parsed) const
{
    std::vector<std::string> arguments;
    for (const SSetting& setting : m_settings) {
        const CLI::Option* pOption = FindOption(parsed, setting.strKey);
        if (setting.bRepeatable || pOption == nullptr || pOption->count() == 0)
            arguments.insert(arguments.end(), setting.arguments.begin(), setting.arguments.end());
    }
    return arguments;
}

std::optional<std::string> CConfigFile::Check(
    const std::function<std::optional<std::string>(const std::vector<std::string>&)>& tryArguments) const
{
    std::vector<std::string> arguments;
    for (const SSetting& setting : m_settings) {
        arguments.insert(arguments.end(), setting.arguments.begin(), setting.arguments.end());
        if (std::optional<std::string> strMessage = tryArguments(arguments))
            return Where(setting) + *strMessage;
    }
    return std::nullopt;
}

std::string CConfigFile::Where(const SSetting& setting) const
{
    return Printable(m_strPath) + ":" + std::to_string(setting.nLine) + ": " + Printable(setting.strKey) + ": ";
}
