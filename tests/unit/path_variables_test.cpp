// %NAME% in the program and working-directory lines.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "console/path_variables.h"

namespace {

// Under the names in upper case, as the expansion asks for them.
const std::map<std::string, std::string> environment = {
    {"SYSTEMROOT", "C:\\WINDOWS"}, {"PCT", "50%SystemRoot%"},
    {"PROGRAMFILES", "C:\\Program Files (x86)"}, {"PROGRAMW6432", "C:\\Program Files"},
    {"COMMONPROGRAMFILES", "C:\\Common (x86)"}, {"COMMONPROGRAMW6432", "C:\\Common"}};

// As GetEnvironmentVariableA answers.
std::size_t lookUp(const char* name, char* value, std::size_t capacity)
{
    const auto found = environment.find(name);
    if (found == environment.end() || found->second.size() >= capacity)
        return found == environment.end() ? 0 : found->second.size() + 1;
    std::memcpy(value, found->second.c_str(), found->second.size() + 1);
    return found->second.size();
}

TEST(PathVariablesTest, KnownNamesExpandAndTheRestStaysAsWritten)
{
    const std::string deep = "C:\\" + std::string(245, 'd') + "\\";
    std::string cjk = "C:\\";  // as deep in UTF-16 units, in three times the bytes
    for (int i = 0; i < 246; ++i)
        cjk += i < 245 ? "\xE6\x97\xA5" : "\\";
    struct {
        const char* name;
        std::string text, expected;  // expected empty: the fallback, too long once expanded
        bool guest = false;
    } const cases[] = {
        {"two known names, an unknown one, a lone '%'", "%SystemRoot%\\%NO%\\%pct%\\100%",
         "C:\\WINDOWS\\%NO%\\50%SystemRoot%\\100%"},
        {"an unknown name's closing '%' opens none", "%NO%SystemRoot%", "%NO%SystemRoot%"},
        {"no guest", "%ProgramFiles%;%CommonProgramFiles%",
         "C:\\Program Files (x86);C:\\Common (x86)"},
        {"a guest", "%programFiles%;%CommonProgramFiles%", "C:\\Program Files;C:\\Common", true},
        {"just fits", deep + "%SystemRoot%", deep + "C:\\WINDOWS"},
        {"no longer fits: the fallback, never the line as written", deep + "%SystemRoot%x", ""},
        {"CJK letters just fit", cjk + "%SystemRoot%", cjk + "C:\\WINDOWS"},
        {"long unknown name, too long as written", "%" + std::string(4000, 'n') + "%", ""},
    };
    for (const auto& c : cases) {
        // Exactly the size, so that the sanitizer sees a write past it.
        const std::unique_ptr<char[][expandedSize]> buffer(new char[1][expandedSize]);
        const char* const fallback = "C:\\";
        const char* expanded = expandVariables(c.text.c_str(), lookUp, c.guest, buffer[0], fallback);
        EXPECT_EQ(expanded == fallback ? "" : expanded, c.expected) << c.name;
    }
}

}  // namespace
