#include <optional>
#include <string>

#include "boot/fake/fake_profile_file.h"
#include "contract/profile_file_contract.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"

namespace qn {
namespace {

// The fake on a Western system, so the ANSI case differs from UTF-8 and from the OEM page.
class FakeProfileBackend {
public:
    FakeProfileBackend() { files_.AddDirectory(L"C:\\t"); }

    ProfileFile& Profile() { return profile_; }
    std::wstring NewPath(const std::wstring& name) {
        return L"C:\\t\\" + std::to_wstring(++count_) + L"_" + name;
    }
    void PutBytes(const std::wstring& path, const std::string& bytes) {
        files_.AddFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    std::optional<std::string> Bytes(const std::wstring& path) {
        const auto* bytes = files_.FileBytes(path);
        if (bytes == nullptr) {
            return std::nullopt;
        }
        return std::string(bytes->begin(), bytes->end());
    }
    void MakeReadOnly(const std::wstring& path) { files_.SetAttributes(path, kAttributeReadOnly); }
    bool ReadOnlyHolds(const std::wstring&) { return true; }
    std::string Ansi(const std::wstring& text) {
        return codePage_.FromWide(text, CodePageKind::Ansi);
    }

private:
    fake::FakeFileSystem files_;
    fake::FakeCodePage codePage_{1252, 850};
    fake::FakeProfileFile profile_{files_, codePage_};
    int count_ = 0;
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ProfileFileContract, FakeProfileBackend);
}  // namespace contract

}  // namespace qn
