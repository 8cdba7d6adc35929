#pragma once

#include <string>
#include <vector>

namespace qn {

// INI files through the Windows profile functions (GetPrivateProfileStringW,
// GetPrivateProfileSectionW, WritePrivateProfileStringW), which boot.ini is read and written
// with. Paths are full paths. Section and key names match without regard to case; the first
// section and the first key of a name win. Files without a byte-order mark are text in the ANSI
// code page. Results are never cut to a buffer size.
class ProfileFile {
public:
    virtual ~ProfileFile() = default;

    // The key's value with blanks around it removed, and one pair of matching quotes around the
    // whole value removed; fallback (less its trailing blanks) when the file, section or key is
    // missing or the key's line has no "=".
    virtual std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& fallback, const std::wstring& path) = 0;

    // Every line of the section in file order: "key=value" with blanks around key and value
    // removed, or the line's text when it has no "="; blank lines and ";" comments are left out.
    // Empty when the file or section is missing.
    virtual std::vector<std::wstring> ReadSection(const std::wstring& section,
                                                  const std::wstring& path) = 0;

    // Replaces the value of the section's first line with this key, or adds "key=value" after
    // the section's last line, adding "[section]" at the end of the file (and the file) when
    // missing. Leading blanks of value are dropped. False when the file cannot be written
    // (read-only, no such folder).
    virtual bool WriteString(const std::wstring& section, const std::wstring& key,
                             const std::wstring& value, const std::wstring& path) = 0;
};

// The running program's profile functions. Which adapter stands behind it is decided by what the
// build links.
ProfileFile& SystemProfileFile();

}  // namespace qn
