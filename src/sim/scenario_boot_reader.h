#pragma once

#include "sim/scenario.h"
#include "sim/scenario_xml.h"

namespace qn::sim {

// The boot state parts of a scenario file (see scenario_reader.h for the format).

// The machine's firmware, language, system partition, BIOS boot disk and system tools.
bool ReadMachineBootAttributes(XmlReader& reader, const XmlNode* machine, Scenario& scenario);
// <bootentry>, <fail>, <slow>.
bool ReadFirmwareEntry(XmlReader& reader, const XmlNode* node, ScenarioFirmwareEntry& entry);
bool ReadFailure(XmlReader& reader, const XmlNode* node, ScenarioFailure& failure);
bool ReadSlowRun(XmlReader& reader, const XmlNode* node, ScenarioSlowRun& slow);
// <bcd> and <bootini> in a partition. onEsp: where a store's path defaults to.
bool ReadStore(XmlReader& reader, const XmlNode* node, bool onEsp, ScenarioStore& store);
bool ReadBootIni(XmlReader& reader, const XmlNode* node, ScenarioBootIni& ini);
// After every disk is read: partitions named anywhere exist, and every store builds.
bool CheckBootReferences(XmlReader& reader, const Scenario& scenario);

}  // namespace qn::sim
