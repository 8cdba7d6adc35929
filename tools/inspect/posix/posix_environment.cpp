#include "posix_environment.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

#include "boot/profile_text.h"
#include "boot/utf8_text.h"

namespace qn::inspect {
namespace {

// One Windows code page through iconv, for every kind. Bytes that do not convert become U+FFFD
// (or "?" the other way), as MultiByteToWideChar and WideCharToMultiByte do with flags 0.
class IconvCodePage : public CodePage {
public:
    explicit IconvCodePage(unsigned number) : number_(number) {}

    static bool Known(unsigned number) {
        iconv_t cd = iconv_open("UTF-8", Name(number).c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            return false;
        }
        iconv_close(cd);
        return true;
    }

    std::string FromWide(std::wstring_view text, CodePageKind) override {
        const std::string utf8 = WideToUtf8(text);
        return Convert(Name(number_), "UTF-8", utf8, "?");
    }
    std::wstring ToWide(std::string_view text, CodePageKind) override {
        return Utf8ToWide(Convert("UTF-8", Name(number_), text, "\xEF\xBF\xBD"));
    }
    unsigned Number(CodePageKind) override { return number_; }

private:
    static std::string Name(unsigned number) {
        return number == 65001 ? "UTF-8" : "CP" + std::to_string(number);
    }

    static std::string Convert(const std::string& to, const std::string& from,
                               std::string_view text, const char* replacement) {
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1) || text.empty()) {
            if (cd != reinterpret_cast<iconv_t>(-1)) {
                iconv_close(cd);
            }
            return {};
        }
        std::string out;
        std::vector<char> buffer(text.size() * 4 + 16);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        while (inLeft > 0) {
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer.data(), buffer.size() - outLeft);
            if (rc != static_cast<std::size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                continue;
            }
            out += replacement;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        iconv_close(cd);
        return out;
    }

    unsigned number_;
};

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, read);
    }
    const bool failed = std::ferror(file) != 0;  // a folder, for one
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    return bytes;
}

// Reads only: the tool never writes a file.
class TextProfileFile : public ProfileFile {
public:
    explicit TextProfileFile(CodePage& ansi) : ansi_(ansi) {}

    // File names are bytes here; the wide name handed out maps back to exactly those bytes.
    std::wstring Name(const std::string& path) {
        std::wstring wide = Utf8ToWide(path);
        names_[wide] = path;
        return wide;
    }

    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback, const std::wstring& path) override {
        return Load(path).ReadString(section, key, fallback);
    }
    std::vector<std::wstring> ReadSection(const std::wstring& section,
                                          const std::wstring& path) override {
        return Load(path).ReadSection(section);
    }
    bool WriteString(const std::wstring&, const std::wstring&, const std::wstring&,
                     const std::wstring&) override {
        return false;
    }

private:
    ProfileText Load(const std::wstring& path) {
        const auto known = names_.find(path);
        const std::optional<std::string> bytes =
            ReadWholeFile(known != names_.end() ? known->second : WideToUtf8(path));
        return ProfileText(bytes ? ansi_.ToWide(*bytes, CodePageKind::Ansi) : std::wstring());
    }

    CodePage& ansi_;
    std::map<std::wstring, std::string> names_;
};

class DeviceRandom : public RandomSource {
public:
    bool Fill(std::uint8_t* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            data[i] = static_cast<std::uint8_t>(device_());
        }
        return true;
    }
    Guid NewGuid() override {
        Guid guid;
        std::uint8_t bytes[16];
        Fill(bytes, sizeof bytes);
        guid.data1 =
            static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
        guid.data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
        guid.data3 = static_cast<std::uint16_t>(0x4000 | ((bytes[6] << 8 | bytes[7]) & 0x0FFF));
        for (int i = 0; i < 8; ++i) {
            guid.data4[i] = bytes[8 + i];
        }
        guid.data4[0] = static_cast<std::uint8_t>((guid.data4[0] & 0x3F) | 0x80);
        return guid;
    }

private:
    std::random_device device_;
};

constexpr unsigned kChineseAnsiCodePage = 936;

}  // namespace

struct PosixEnvironment::Parts {
    IconvCodePage ansi{kChineseAnsiCodePage};
    TextProfileFile profile{ansi};
    DeviceRandom random;
};

PosixEnvironment::PosixEnvironment() : parts_(std::make_unique<Parts>()) {}
PosixEnvironment::~PosixEnvironment() = default;

std::optional<std::string> PosixEnvironment::ReadFile(const std::string& utf8Path) {
    return ReadWholeFile(utf8Path);
}

std::unique_ptr<CodePage> PosixEnvironment::NumberedCodePage(unsigned number) {
    if (!IconvCodePage::Known(number)) {
        return nullptr;
    }
    return std::make_unique<IconvCodePage>(number);
}

ProfileFile& PosixEnvironment::Profile() {
    return parts_->profile;
}

std::wstring PosixEnvironment::NativePath(const std::string& utf8Path) {
    return parts_->profile.Name(utf8Path);
}

RandomSource& PosixEnvironment::Random() {
    return parts_->random;
}

}  // namespace qn::inspect
