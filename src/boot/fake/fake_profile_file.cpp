#include "boot/fake/fake_profile_file.h"

#include "boot/profile_text.h"

namespace qn::fake {

std::wstring FakeProfileFile::TextOf(const std::wstring& path) const {
    const std::vector<std::uint8_t>* bytes = files_.FileBytes(path);
    if (bytes == nullptr || bytes->empty()) {
        return {};
    }
    return codePage_.ToWide(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
        CodePageKind::Ansi);
}

std::wstring FakeProfileFile::ReadString(const std::wstring& section, const std::wstring& key,
                                         const std::wstring& fallback, const std::wstring& path) {
    return ProfileText(TextOf(path)).ReadString(section, key, fallback);
}

std::vector<std::wstring> FakeProfileFile::ReadSection(const std::wstring& section,
                                                       const std::wstring& path) {
    return ProfileText(TextOf(path)).ReadSection(section);
}

bool FakeProfileFile::WriteString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& value, const std::wstring& path) {
    ProfileText text(TextOf(path));
    text.WriteString(section, key, value);
    const std::string bytes = codePage_.FromWide(text.Text(), CodePageKind::Ansi);
    return files_.StoreBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace qn::fake
