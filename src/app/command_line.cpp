// Splitting the command line and recognising the launcher's options.
#include "command_line.h"

#include <cstring>

ArgumentList::ArgumentList(const char* text, const char* separators, bool startAtExe)
{
    if (text == nullptr)
        return;
    // Starting at ".exe" skips the program's own path, blanks and all, which
    // the system leaves unquoted or quoted as it likes. Lower case only:
    // a path ending in ".EXE" is split like any other text.
    if (startAtExe) {
        if (const char* exe = std::strstr(text, ".exe"))
            text = exe;
    }
    const char* p = text;
    while (*p != '\0' && count_ < maxArguments) {
        p += std::strspn(p, separators);
        const std::size_t length = std::strcspn(p, separators);
        if (length == 0)
            break;
        arguments_[count_++].assign(p, length);
        p += length;
    }
}

NumberedOption::NumberedOption(const std::string& text)
{
    std::size_t digitsStart = text.size();
    while (digitsStart > 0 && text[digitsStart - 1] >= '0' && text[digitsStart - 1] <= '9')
        --digitsStart;
    prefix_ = text.substr(0, digitsStart);
    if (digitsStart == text.size())
        return;

    std::int64_t value = 0;
    for (std::size_t i = digitsStart; i < text.size(); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return;
    }
    number_ = static_cast<std::int32_t>(value);
    hasNumber_ = true;
}

StartOptions recogniseOptions(const ArgumentList& arguments, std::int32_t windowLayout)
{
    StartOptions options;
    options.windowLayout = windowLayout;
    for (int i = 0; i < arguments.count(); ++i) {
        const std::string& argument = arguments.at(i);
        if (argument == "-a" || argument == "-p") {
            options.pdfHelp = true;
        } else if (argument == "-s-") {
            options.manualStart = true;
        } else if (argument == "-t") {
            options.cursorReadout = true;
        } else if (argument == "-V") {
            options.version = VersionRequest::plain;
            break;
        } else if (argument == "-VC") {
            options.version = VersionRequest::withComments;
            break;
        } else if (argument.size() >= 3) {
            const NumberedOption option(argument);
            if (option.prefix() == "-c" && option.hasNumber())
                options.windowLayout = option.number();
        }
    }
    return options;
}
