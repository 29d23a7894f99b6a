// Fuzzes the settings-file reader: whatever the bytes, every value lands in
// its range and the directory stays inside its buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings_file.h"
#include "../unit/latin1_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first two bytes choose the screen height, the rest is the file.
    std::int32_t screenHeight = 711;
    if (size >= 2) {
        screenHeight = data[0] | (data[1] << 8);
        data += 2;
        size -= 2;
    }
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (file == nullptr)
        return 0;
    LaunchSettings settings{};
    readSettings(file, screenHeight, toLatin1, settings);
    std::fclose(file);

    const auto within = [](std::int32_t value, std::int32_t low, std::int32_t high) {
        return value >= low && value <= high;
    };
    if (std::strchr(settings.program, ' ') != nullptr ||
        std::strchr(settings.arguments, ' ') != nullptr ||
        std::strchr(settings.arguments, '\r') != nullptr ||
        std::memchr(settings.workingDirectory, '\0', sizeof settings.workingDirectory) == nullptr ||
        !within(settings.startDelayMs, 21, 2100000000) || !within(settings.consoleMode, 0, 3) ||
        !within(settings.consoleWidth, 0, 667) ||
        !(settings.consoleHeight == 390 || within(settings.consoleHeight, 0, screenHeight)))
        std::abort();
    return 0;
}
