// Fuzzes splitting the command line and recognising the options.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ArgumentList arguments(text.c_str(), " ", true);
    if (arguments.count() > ArgumentList::maxArguments)
        std::abort();
    for (int i = 0; i < arguments.count(); ++i) {
        const std::string argument = arguments.at(i);
        if (argument.empty() || argument.find(' ') != std::string::npos)
            std::abort();
        const NumberedOption option(argument.c_str());
        if (option.prefixLength() > argument.size() || (option.hasNumber() && option.number() < 0))
            std::abort();
    }
    const StartOptions options = recogniseOptions(arguments, 0);
    if (options.windowLayout < 0)
        std::abort();
    return 0;
}
