#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qn {

// What the program is asked to do from its command line. Without switches it is the wizard.
enum class RunMode { Window, Diagnose, Plan, Automatic, Undo };

struct CommandLineOptions {
    RunMode mode = RunMode::Window;
    std::optional<char>
        bootLetter;  // /boot X: (kEspWithoutLetter for /boot ESP); none: as the automatic start
    std::wstring timeout = L"3";  // /timeout N
    bool clear = false;           // /clear
    bool yes = false;             // /yes: go on past the guards' questions
    std::wstring logFile;         // /log FILE
    std::wstring jsonFile;        // /json FILE
    std::wstring undoRecord;      // /undo FILE
};

struct CommandLineError {
    std::wstring message;  // one line, naming the argument
};

// The switches (case does not matter, "/" or "-"):
//   /diagnose [/json FILE]
//   /plan [/boot X:|ESP] [/timeout N]
//   /auto [/boot X:|ESP] [/timeout N] [/clear] [/log FILE] [/json FILE] [/yes]
//   /undo FILE
// arguments are the program's arguments without its own name. A switch that its mode does
// not take, a missing value, a second mode or an unknown word is an error.
std::optional<CommandLineOptions> ParseCommandLine(const std::vector<std::wstring>& arguments,
                                                   CommandLineError& error);

// The usage text printed after an error (and for /?).
std::wstring UsageText();

}  // namespace qn
