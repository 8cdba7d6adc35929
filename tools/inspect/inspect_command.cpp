#include "inspect_command.h"

#include <cctype>
#include <cstdlib>
#include <optional>

#include "boot/bcd_enum_parser.h"
#include "boot/bcd_store.h"
#include "boot/boot_ini_reader.h"
#include "boot/utf8_text.h"
#include "listing_json.h"
#include "report/repair_report_text.h"

namespace qn::inspect {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 2;
constexpr unsigned kDefaultCodePage = 936;
constexpr char kUsage[] =
    "usage: qnboot-inspect bcd [--codepage N] FILE | bootini FILE | "
    "find-loader --letter L [--codepage N] FILE | report FILE";

struct Options {
    std::string command;
    std::string file;
    unsigned codePage = kDefaultCodePage;
    char letter = 0;
};

// Null with a message in error when the arguments do not make a command.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = kUsage;
        return std::nullopt;
    }
    Options options;
    options.command = args[0];
    if (options.command != "bcd" && options.command != "bootini" &&
        options.command != "find-loader" && options.command != "report") {
        error = "unknown command \"" + options.command + "\"; " + kUsage;
        return std::nullopt;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--codepage" && options.command != "bootini" && options.command != "report") {
            char* end = nullptr;
            const unsigned long number = hasValue ? std::strtoul(args[i + 1].c_str(), &end, 10) : 0;
            if (!hasValue || args[i + 1].empty() || *end != '\0' || number == 0 || number > 65535) {
                error = "--codepage needs a code page number";
                return std::nullopt;
            }
            options.codePage = static_cast<unsigned>(number);
            ++i;
        } else if (arg == "--letter" && options.command == "find-loader") {
            const std::string value = hasValue ? args[i + 1] : std::string();
            const bool colon = value.size() == 2 && value[1] == ':';
            if ((value.size() != 1 && !colon) ||
                !std::isalpha(static_cast<unsigned char>(value[0]))) {
                error = "--letter needs a drive letter";
                return std::nullopt;
            }
            // bcdedit writes drive letters in capitals.
            options.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
            ++i;
        } else if (options.file.empty() && !(arg.size() > 1 && arg.rfind("--", 0) == 0)) {
            options.file = arg;
        } else {
            error = "unexpected argument \"" + arg + "\"; " + kUsage;
            return std::nullopt;
        }
    }
    if (options.file.empty()) {
        error = std::string("no FILE given; ") + kUsage;
        return std::nullopt;
    }
    if (options.command == "find-loader" && options.letter == 0) {
        error = "find-loader needs --letter L";
        return std::nullopt;
    }
    return options;
}

// Hands the saved output to FindLoaderIdByLetter as if bcdedit had just written it.
class ReplayLauncher : public ProcessLauncher {
public:
    explicit ReplayLauncher(std::string output) : output_(std::move(output)) {}
    ProcessResult StartThroughShell(const ShellRequest&) override { return {}; }
    ProcessResult RunCaptured(const std::wstring&, std::string& output) override {
        output += output_;
        return {true, true, 0};
    }

private:
    std::string output_;
};

}  // namespace

int RunInspect(const std::vector<std::string>& args, InspectEnvironment& environment,
               std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<Options> options = ParseOptions(args, error);
    if (!options) {
        err << "qnboot-inspect: " << error << "\n";
        return kExitFailed;
    }
    const std::optional<std::string> bytes = environment.ReadFile(options->file);
    if (!bytes) {
        err << "qnboot-inspect: cannot read " << options->file << "\n";
        return kExitFailed;
    }
    if (options->command == "report") {
        const std::optional<std::wstring> text = RepairReportText(*bytes);
        if (!text) {
            err << "qnboot-inspect: " << options->file << " is not a QNBootRepair report\n";
            return kExitFailed;
        }
        out << WideToUtf8(*text);
        return kExitOk;
    }
    if (options->command == "bootini") {
        BcdListing listing = ReadBootIni(environment.Profile(), environment.Random(),
                                         environment.NativePath(options->file));
        out << ListingToJson(listing).dump(-1, ' ', false,
                                           nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
        return kExitOk;
    }
    std::unique_ptr<CodePage> codePage = environment.NumberedCodePage(options->codePage);
    if (!codePage) {
        err << "qnboot-inspect: code page " << options->codePage << " is not known here\n";
        return kExitFailed;
    }
    if (options->command == "find-loader") {
        ReplayLauncher replay(*bytes);
        const BcdTool tool{replay, *codePage, L"bcdedit.exe"};
        out << WideToUtf8(FindLoaderIdByLetter(tool, std::wstring(), false, options->letter))
            << "\n";
        return kExitOk;
    }
    BcdListing listing;
    ParseBcdEnum(listing, *bytes, *codePage, CodePageKind::Oem);
    listing.FromBcd = 1;
    MarkDefaultEntries(listing);
    out << ListingToJson(listing).dump(-1, ' ', false,
                                       nlohmann::ordered_json::error_handler_t::replace)
        << "\n";
    return kExitOk;
}

}  // namespace qn::inspect
