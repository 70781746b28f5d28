// An --accept list of arbitrary bytes, split into lists at line ends: it is
// refused naming an item of the input, or it holds only codes from 100 to
// 999, and a list of three digits holds exactly that code.
#include "modern/AcceptedCodes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strInput(reinterpret_cast<const char*>(pData), nSize);
    std::vector<std::string> lists;
    std::istringstream lines(strInput);
    for (std::string strLine; std::getline(lines, strLine);)
        lists.push_back(strLine);
    std::string strBad;
    const std::optional<CAcceptedCodes> accepted = CAcceptedCodes::Parse(lists, strBad);
    if (!accepted) {
        if (strInput.find(strBad) == std::string::npos)
            __builtin_trap();
        return 0;
    }
    for (int nCode : {-1, 0, 99, 1000, 100000})
        if (accepted->Contains(nCode))
            __builtin_trap();
    if (lists.size() == 1 && lists[0].size() == 3 && lists[0].find_first_not_of("0123456789") == std::string::npos) {
        const int nCode = std::stoi(lists[0]);
        for (int nOther = CAcceptedCodes::MIN_CODE; nOther <= CAcceptedCodes::MAX_CODE; ++nOther)
            if (accepted->Contains(nOther) != (nOther == nCode))
                __builtin_trap();
    }
    return 0;
}
