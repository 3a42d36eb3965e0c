#include "common/argument_quoting.h"

namespace velmora {

std::wstring quoteArgument(std::wstring_view argument) {
    std::wstring text;
    appendQuotedArgument(text, argument);
    return text;
}

std::wstring joinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += L' ';
        appendQuotedArgument<wchar_t>(text, arguments[i]);
    }
    return text;
}

}  // namespace velmora
