#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "sim/scenario.h"

namespace qn::sim {

// Reads a scenario file (UTF-8 XML):
//
//   <machine name="..." winpe="false" firmware="bios|uefi" pefirmware="bios|uefi"
//            firmwarearch="x64|x86|arm64"
//            language="zh-CN|en-US|de-DE|fr-FR|ja-JP" systempartition="DISK:N|none"
//            bootdisk="0" tools="bcdedit bcdboot" regdelay="0" systemfilesopen="true">
//     <disk number="0" style="mbr|gpt|raw" size="500G" removable="false" vendor="" product=""
//           mbr="nt60|nt52|grub|syslinux|none|other" unreadable="false">
//       <partition offset="1M" length="100M" type="0x07" active="true"
//                  gpttype="esp|basic|recovery|msr|{GUID}" letter="C" label="" fs="NTFS"
//                  pbr="bootmgr|ntldr|grub|bitlocker|none|other" free="10M"
//                  lockfails="false" spanned="false" locked="false">
//         <file path="\bootmgr" image="bootmgr|bootmgfw|ntldr|ntdetect|winload|winloadefi|
//                                      grub|empty|other"/>
//         <file path="\boot.ini" text="[boot loader]&#13;&#10;..." encoding="utf-8|ansi|utf-16"/>
//         <file path="\Boot\BCD" base64="AP8..."/>
//         <open path="\Boot\BCD"/>
//         <deleted path="\Windows\System32\winload.exe"/>
//         <windows product="Windows 7 Ultimate" version="6.1" arch="x64|x86" running="true"
//                  readable="true" bootfiles="true"/>
//         <bcd path="\Boot\BCD">
//           <bootmgr device="self" path="\bootmgr" default="win7" displayorder="win7 {ntldr}"
//                    timeout="30" locale="zh-CN"/>
//           <osloader name="win7" id="{GUID}" description="Windows 7" device="0:2"
//                     osdevice="0:2" path="\Windows\system32\winload.exe"
//                     systemroot="\Windows"/>
//           <ntldr device="self" path="\ntldr" description="Earlier Version of Windows"/>
//         </bcd>
//         <bootini timeout="30" default="multi(0)disk(0)rdisk(0)partition(3)\WINDOWS">
//           <os arc="multi(0)disk(0)rdisk(0)partition(3)\WINDOWS" text="..." switches="..."/>
//         </bootini>
//       </partition>
//     </disk>
//     <bootentry description="Windows Boot Manager" partition="1:1"
//                path="\EFI\Microsoft\Boot\bootmgfw.efi" order="true" next="false"/>
//     <fail tool="bcdboot" args="E:\Windows*" exit="1" message="..." times="1"/>
//     <slow tool="bcdedit" args="*/timeout *" ms="3000" times="1"/>
//   </machine>
//
// Sizes take the suffixes K, M, G and T (powers of 1024). A file's content comes from one of image
// (a kind of program; without one, the kind its name suggests), text or base64 (exact bytes;
// whitespace inside is ignored), and replaces what the machine would put there. Text is encoded
// when the machine starts: UTF-8 (the default), ANSI in the code page of the machine's language, or
// UTF-16 little-endian after a byte order mark; character references such as &#13;&#10; give its
// line ends. No content may be given for a path that a <bcd> or <bootini> of the partition writes.
// <open> names a file Windows holds open on the volume; <deleted> a file the installation would
// have that is gone; systemfilesopen="false" keeps the running
// Windows from holding its own store and registry hives open. locked="true" (with pbr="bitlocker")
// makes a BitLocker volume that is not unlocked: the program sees it as RAW and reaches none of its
// files, bcdboot cannot use it, and the verdict still starts the Windows on it (the boot manager
// unlocks it with the TPM or asks for the recovery key). A <windows> element also puts the
// files an installation is recognised by on the partition (its hive, winload, the boot files
// bcdboot copies). Partitions are named DISK:N, N counting the disk's partitions from 1. Store
// objects (bootmgr, osloader, resume, ntldr, memdiag, globalsettings, bootloadersettings,
// resumeloadersettings) take element names as attributes; devices are "self", "DISK:N", "boot" or
// "missing"; identifiers are local names, well-known names or GUIDs. Boot entries are in the
// firmware's boot order, except those with order="false" (kept by the firmware, not started by
// itself); next="true" makes one the one-time next boot (BootNext, {fwbootmgr}'s bootsequence).
// pefirmware (with winpe) is how Windows PE was started when that is not how the machine
// starts its disks: what the program reads as its firmware, never what the verdict starts.
// firmwarearch is what a UEFI firmware runs, and names its fallback loader. A failure makes the
// matching runs of a tool (args: a pattern with * and ? over the arguments joined by blanks) end
// with that exit code and message, times runs long (0: every run). A slow run makes the matching
// runs of a tool take ms milliseconds (at most ten minutes) before they do their work, times runs
// long (0: every run); a run whose caller allows less is ended when that time is up, having done
// nothing. Unset boot state is what Windows would leave: Windows' MBR code, boot records by file
// system, the tools of the running system. An attribute an element does not take, or one given
// twice, is an error, as is any malformed input: the error text names what is wrong; nothing
// crashes.
struct ScenarioError {
    std::string message;
};

std::variant<Scenario, ScenarioError> ReadScenario(std::string_view xml);

}  // namespace qn::sim
