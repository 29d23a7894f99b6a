// Splitting the launcher's command line and recognising its options.
// Platform-free: the entry hands in the text it gets from the system.
#pragma once

#include <cstddef>
#include <cstdint>

// The command line cut into words. Only the given separator characters cut;
// quotes and tabs are ordinary characters, so a quoted path with blanks becomes
// several words, none of which can match an option.
class ArgumentList {
public:
    static const int maxArguments = 128;

    ArgumentList(const char* text, const char* separators, bool startAtExe);
    ~ArgumentList();
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    int count() const { return count_; }
    const char* at(int index) const { return arguments_[index]; }

private:
    // One copy of the text from where the split begins, cut in place.
    char* words_ = nullptr;
    const char* arguments_[maxArguments] = {};
    int count_ = 0;
};

// One argument seen as a prefix followed by a decimal number, as in "-c3".
class NumberedOption {
public:
    explicit NumberedOption(const char* text);

    bool prefixIs(const char* prefix) const;
    std::size_t prefixLength() const { return prefixLength_; }
    // False when the argument ends in no digit, or in more than a 32-bit
    // signed integer holds; number() is then 0.
    bool hasNumber() const { return hasNumber_; }
    std::int32_t number() const { return number_; }

private:
    const char* text_;
    std::size_t prefixLength_ = 0;
    bool hasNumber_ = false;
    std::int32_t number_ = 0;
};

enum class VersionRequest { none, plain, withComments };

// What the options ask for. Lives only while the entry runs.
struct StartOptions {
    bool pdfHelp = false;
    bool manualStart = false;
    bool cursorReadout = false;
    // The number of the last "-c" option; holds the caller's value when none.
    std::int32_t windowLayout = 0;
    // "-V" or "-VC": the process writes the version file and ends; options
    // behind it were not examined.
    VersionRequest version = VersionRequest::none;
};

// Examines every argument, argument 0 included, from left to right, and stops
// at the first "-V" or "-VC". Options are compared whole and case-sensitively.
StartOptions recogniseOptions(const ArgumentList& arguments, std::int32_t windowLayout);
