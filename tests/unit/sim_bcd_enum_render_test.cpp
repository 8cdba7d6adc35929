#include "sim/bcd_enum_render.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fixtures/bcd/bcd_samples.h"
#include "sim/bcd_ids.h"

namespace qn::sim {
namespace {

// The store the parser's fixtures were written from, as the sim keeps it. Devices carry the
// text they render to, so the layout is compared and nothing else.
std::vector<BcdObject> FixtureStore() {
    const std::wstring win10 = test::kWin10Id;
    const std::wstring win7 = test::kWin7Id;
    const std::wstring resume10 = L"{3b1a7c2d-5d6f-11e9-8a4c-d8cb8a1f0001}";
    auto device = [](const wchar_t* name, const wchar_t* text) {
        return PartitionElement(name, text);
    };
    return {
        {kFwBootmgrGuid,
         kBcdTypeFwBootmgr,
         {IdListElement(L"displayorder", {kBootmgrGuid, test::kUbuntuId}),
          IntegerElement(L"timeout", 2)}},
        {test::kUbuntuId,
         kBcdTypeFwApplication,
         {device(L"device", L"partition=\\Device\\HarddiskVolume1"),
          TextElement(L"path", L"\\EFI\\ubuntu\\shimx64.efi"),
          TextElement(L"description", L"ubuntu")}},
        {kBootmgrGuid,
         kBcdTypeBootmgr,
         // Out of order on purpose: bcdedit lists by element type.
         {IntegerElement(L"timeout", 30), device(L"device", L"partition=\\Device\\HarddiskVolume1"),
          TextElement(L"path", L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"),
          TextElement(L"description", L"Windows Boot Manager"), TextElement(L"locale", L"zh-CN"),
          IdListElement(L"inherit", {kGlobalSettingsGuid}), IdElement(L"default", win10),
          IdElement(L"resumeobject", resume10),
          IdListElement(L"displayorder", {win10, win7, kNtldrGuid}),
          IdListElement(L"toolsdisplayorder", {kMemDiagGuid})}},
        {win10,
         kBcdTypeOsLoader,
         {device(L"device", L"partition=C:"),
          TextElement(L"path", L"\\Windows\\system32\\winload.efi"),
          TextElement(L"description", L"Windows 10"), TextElement(L"locale", L"zh-CN"),
          IdListElement(L"inherit", {kLoaderSettingsGuid}),
          IdListElement(L"recoverysequence", {L"{3b1a7c30-5d6f-11e9-8a4c-d8cb8a1f0001}"}),
          TextElement(L"displaymessageoverride", L"Recovery"),
          BooleanElement(L"recoveryenabled", true), BooleanElement(L"isolatedcontext", true),
          TextElement(L"allowedinmemorysettings", L"0x15000075"),
          device(L"osdevice", L"partition=C:"), TextElement(L"systemroot", L"\\Windows"),
          IdElement(L"resumeobject", resume10), TextElement(L"nx", L"OptIn"),
          TextElement(L"bootmenupolicy", L"Standard")}},
        {win7,
         kBcdTypeOsLoader,
         {device(L"device", L"partition=D:"),
          TextElement(L"path", L"\\Windows\\system32\\winload.efi"),
          TextElement(L"description", L"Windows 7 Ultimate"), TextElement(L"locale", L"en-US"),
          IdListElement(L"inherit", {kLoaderSettingsGuid}), device(L"osdevice", L"partition=D:"),
          TextElement(L"systemroot", L"\\Windows"), TextElement(L"nx", L"OptIn")}},
        {kNtldrGuid,
         kBcdTypeNtldr,
         {device(L"device", L"partition=E:"), TextElement(L"path", L"\\ntldr"),
          TextElement(L"description", L"Earlier Version of Windows")}},
        {kMemDiagGuid,
         kBcdTypeMemDiag,
         {device(L"device", L"partition=\\Device\\HarddiskVolume1"),
          TextElement(L"path", L"\\EFI\\Microsoft\\Boot\\memtest.efi"),
          TextElement(L"description", L"Windows Memory Diagnostic"),
          TextElement(L"locale", L"zh-CN"), IdListElement(L"inherit", {kGlobalSettingsGuid}),
          BooleanElement(L"badmemoryaccess", true)}},
        {kGlobalSettingsGuid,
         kBcdTypeSettings,
         {IdListElement(L"inherit", {L"{4636856e-540f-4170-a130-a84776f4c654}",
                                     L"{0ce4991b-e6b3-4b16-b23c-5e0d9250e5d9}",
                                     L"{5189b25c-5558-4bf2-bca4-289b11bd29e2}"})}},
    };
}

std::string FixtureBytes(const std::string& name) {
    std::ifstream file(QN_SOURCE_DIR "/tests/fixtures/bcd/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The renderer writes exactly the bytes the parser's fixtures hold: title, dashes as wide as
// the title, names padded to column 24, lists continued, in every language's code page.
TEST(BcdEnumRender, WritesTheLayoutOfTheSavedOutputsInEveryLanguage) {
    struct Case {
        ToolLanguage language;
        const char* fixture;
    };
    for (const Case& c : {Case{ToolLanguage::EnUs, "uefi_all_en.txt"},
                          Case{ToolLanguage::ZhCn, "uefi_all_zh_cp936.txt"},
                          Case{ToolLanguage::DeDe, "uefi_all_de_cp850.txt"},
                          Case{ToolLanguage::JaJp, "uefi_all_ja_cp932.txt"}}) {
        SCOPED_TRACE(c.fixture);
        EnumStyle style;
        style.language = c.language;
        style.device = [](const BcdDevice& d) { return d.volume; };
        style.id = [](const std::wstring& id) { return id; };
        const std::string expected = FixtureBytes(c.fixture);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(
            test::Encode(RenderEnumeration(FixtureStore(), style), ConsoleCodePage(c.language)),
            expected);
    }
}

TEST(BcdEnumRender, NamesObjectsAsTheStyleSaysAndPadsLongNamesWithOneBlank) {
    EnumStyle style;
    style.language = ToolLanguage::EnUs;
    style.device = [](const BcdDevice&) { return std::wstring(L"boot"); };
    style.id = [](const std::wstring& id) {
        const WellKnownId* known = WellKnownByGuid(id);
        return known ? std::wstring(known->alias) : id;
    };
    const std::vector<BcdObject> objects{
        {kBootmgrGuid,
         kBcdTypeBootmgr,
         {IdListElement(L"displayorder", {kNtldrGuid}), IdListElement(L"toolsdisplayorder", {})}},
        {kNtldrGuid, kBcdTypeNtldr, {TextElement(L"allowedinmemorysettings", L"0x1")}}};
    EXPECT_EQ(RenderEnumeration(objects, style),
              L"\r\nWindows Boot Manager\r\n--------------------\r\n"
              L"identifier              {bootmgr}\r\n"
              L"displayorder            {ntldr}\r\n"
              L"\r\nWindows Legacy OS Loader\r\n------------------------\r\n"
              L"identifier              {ntldr}\r\n"
              L"allowedinmemorysettings 0x1\r\n");
}

TEST(BcdEnumRender, CountsWideCharactersTwiceForTheDashLine) {
    EXPECT_EQ(DisplayWidth(L"Windows 启动管理器"), 8u + 10u);
    EXPECT_EQ(DisplayWidth(L"abc"), 3u);
}

}  // namespace
}  // namespace qn::sim
