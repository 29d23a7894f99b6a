// Deciding the start-up state from the command line and the settings file.
#include "start_up.h"

#include <cstring>

#include "command_line.h"
#include "version_file.h"

bool settleStartState(const char* commandLine, std::int32_t screenHeight, AnsiConversion toAnsi,
                      StartState& state, LegacyConversion fromLegacy)
{
    const ArgumentList arguments(commandLine, " ", true);
    const StartOptions options = recogniseOptions(arguments, state.windowLayout);
    if (options.version != VersionRequest::none) {
        writeVersionFile(options.version == VersionRequest::withComments);
        return false;
    }
    state.windowLayout = options.windowLayout;

    LaunchSettings& settings = state.settings;
    if (options.pdfHelp) {
        // The manual becomes the thing started; the settings file is neither
        // read nor written, so everything else keeps its zero value.
        settings.autoStart = true;
        std::strcpy(settings.program, "Tabrivet.pdf");
        settings.arguments[0] = '\0';
        state.startsManual = true;
        return true;
    }
    const SettingsFileRead file = readSettingsFile(screenHeight, toAnsi, settings, fromLegacy);
    if (file == SettingsFileRead::read) {
        if (options.manualStart)
            settings.autoStart = false;
        state.showCursorPosition = options.cursorReadout;
        return true;
    }
    // "-s-" and "-t" wait for a start that finds the file.
    state.showCursorPosition = false;
    if (file == SettingsFileRead::missing)
        writeDefaultSettingsFile(settings);
    else
        setDefaultSettings(settings);  // the user's file, unreadable for now: kept
    return true;
}
