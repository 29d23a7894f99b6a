// Splitting the command line and recognising the launcher's options.
#include "command_line.h"

#include <cstdlib>
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
    const std::size_t size = std::strlen(text) + 1;
    words_ = static_cast<char*>(std::malloc(size));
    if (words_ == nullptr)
        return;
    std::memcpy(words_, text, size);

    char* p = words_;
    while (*p != '\0' && count_ < maxArguments) {
        p += std::strspn(p, separators);
        const std::size_t length = std::strcspn(p, separators);
        if (length == 0)
            break;
        arguments_[count_++] = p;
        p += length;
        if (*p != '\0')
            *p++ = '\0';
    }
}

ArgumentList::~ArgumentList()
{
    std::free(words_);
}

NumberedOption::NumberedOption(const char* text) : text_(text)
{
    const std::size_t length = std::strlen(text);
    std::size_t digitsStart = length;
    while (digitsStart > 0 && text[digitsStart - 1] >= '0' && text[digitsStart - 1] <= '9')
        --digitsStart;
    prefixLength_ = digitsStart;
    if (digitsStart == length)
        return;

    std::int64_t value = 0;
    for (std::size_t i = digitsStart; i < length; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return;
    }
    number_ = static_cast<std::int32_t>(value);
    hasNumber_ = true;
}

bool NumberedOption::prefixIs(const char* prefix) const
{
    return std::strlen(prefix) == prefixLength_ && std::strncmp(text_, prefix, prefixLength_) == 0;
}

StartOptions recogniseOptions(const ArgumentList& arguments, std::int32_t windowLayout)
{
    StartOptions options;
    options.windowLayout = windowLayout;
    for (int i = 0; i < arguments.count(); ++i) {
        const char* argument = arguments.at(i);
        const auto is = [argument](const char* option) { return std::strcmp(argument, option) == 0; };
        if (is("-a") || is("-p")) {
            options.pdfHelp = true;
        } else if (is("-s-")) {
            options.manualStart = true;
        } else if (is("-t")) {
            options.cursorReadout = true;
        } else if (is("-V")) {
            options.version = VersionRequest::plain;
            break;
        } else if (is("-VC")) {
            options.version = VersionRequest::withComments;
            break;
        } else if (std::strlen(argument) >= 3) {
            const NumberedOption option(argument);
            if (option.prefixIs("-c") && option.hasNumber())
                options.windowLayout = option.number();
        }
    }
    return options;
}
