#include "sim/command_line_args.h"

namespace qn::sim {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Arguments from position at on; the program name is not among them.
void SplitRest(std::wstring_view text, std::size_t at, std::vector<std::wstring>& out) {
    while (true) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        if (at >= text.size()) {
            return;
        }
        std::wstring argument;
        bool quoted = false;
        while (at < text.size() && (quoted || !IsBlank(text[at]))) {
            if (text[at] == L'\\') {
                std::size_t slashes = 0;
                while (at < text.size() && text[at] == L'\\') {
                    ++slashes;
                    ++at;
                }
                if (at < text.size() && text[at] == L'"') {
                    argument.append(slashes / 2, L'\\');
                    if (slashes % 2 == 1) {
                        argument.push_back(L'"');
                        ++at;
                    }
                } else {
                    argument.append(slashes, L'\\');
                }
                continue;
            }
            if (text[at] == L'"') {
                if (quoted && at + 1 < text.size() && text[at + 1] == L'"') {
                    argument.push_back(L'"');
                    at += 2;
                    continue;
                }
                quoted = !quoted;
                ++at;
                continue;
            }
            argument.push_back(text[at]);
            ++at;
        }
        out.push_back(std::move(argument));
    }
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine) {
    std::vector<std::wstring> out;
    std::size_t at = 0;
    while (at < commandLine.size() && IsBlank(commandLine[at])) {
        ++at;
    }
    if (at >= commandLine.size()) {
        return out;
    }
    std::wstring program;
    if (commandLine[at] == L'"') {
        const std::size_t close = commandLine.find(L'"', at + 1);
        const std::size_t end = close == std::wstring_view::npos ? commandLine.size() : close;
        program.assign(commandLine.substr(at + 1, end - at - 1));
        at = end == commandLine.size() ? end : end + 1;
    } else {
        const std::size_t start = at;
        while (at < commandLine.size() && !IsBlank(commandLine[at])) {
            ++at;
        }
        program.assign(commandLine.substr(start, at - start));
    }
    out.push_back(std::move(program));
    SplitRest(commandLine, at, out);
    return out;
}

std::vector<std::wstring> SplitArguments(std::wstring_view parameters) {
    std::vector<std::wstring> out;
    SplitRest(parameters, 0, out);
    return out;
}

}  // namespace qn::sim
