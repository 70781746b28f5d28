#include "support/TestFiles.h"

#include <fstream>
#include <iterator>
#include <unistd.h>

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::filesystem::path TempPath(const std::string& strStem, const std::string& strExtension)
{
    return std::filesystem::temp_directory_path() / (strStem + std::to_string(::getpid()) + strExtension);
}

std::string Page(const std::vector<std::string>& hrefs, const std::string& strHead)
{
    std::string strPage = "<HTML><HEAD>" + strHead + "</HEAD><BODY>\n";
    for (const std::string& strHref : hrefs)
        strPage += "<A HREF=\"" + strHref + "\">link</A>\n";
    return strPage + "</BODY></HTML>\n";
}
