#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "sim/scenario.h"

namespace qn::sim {

// Reads a scenario file (UTF-8 XML):
//
//   <machine name="..." winpe="false">
//     <disk number="0" style="mbr|gpt|raw" size="500G" removable="false" vendor="" product="">
//       <partition offset="1M" length="100M" type="0x07" active="true"
//                  gpttype="esp|basic|recovery|msr|{GUID}" letter="C" label="" fs="NTFS">
//         <file path="\bootmgr"/>
//         <windows product="Windows 7 Ultimate" version="6.1" arch="x64|x86" running="true"
//                  readable="true"/>
//       </partition>
//     </disk>
//   </machine>
//
// Sizes take the suffixes K, M, G and T (powers of 1024). A <windows> element also puts the
// files an installation is recognised by on the partition. Malformed input gives an error text
// naming what is wrong, never a crash.
struct ScenarioError {
    std::string message;
};

std::variant<Scenario, ScenarioError> ReadScenario(std::string_view xml);

}  // namespace qn::sim
