#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qn::sim {

// A BCD store as the simulated machine keeps it inside its file. Plain data; the stand-in
// bcdedit and bcdboot change it, the verdict reads it.

enum class BcdValueKind : std::uint8_t {
    Text = 1,
    Device = 2,
    Id = 3,
    IdList = 4,
    Integer = 5,
    Boolean = 6
};

enum class BcdDeviceKind : std::uint8_t {
    Partition = 1,  // a volume of the machine, by its identity (not its letter)
    Boot = 2,       // the partition the boot manager was started from
};

struct BcdDevice {
    BcdDeviceKind kind = BcdDeviceKind::Partition;
    std::wstring volume;  // the volume's identity; one no volume has shows as "unknown"
};

struct BcdElement {
    std::wstring name;  // canonical, lower case ("description")
    BcdValueKind kind = BcdValueKind::Text;
    std::wstring text;              // Text; Id (canonical GUID)
    BcdDevice device;               // Device
    std::vector<std::wstring> ids;  // IdList
    std::uint64_t number = 0;       // Integer
    bool flag = false;              // Boolean
};

struct BcdObject {
    std::wstring id;  // canonical GUID ("{9dea862c-...}")
    std::uint32_t type = 0;
    std::vector<BcdElement> elements;
};

struct BcdStoreData {
    std::vector<BcdObject> objects;  // in creation order
};

bool operator==(const BcdDevice& a, const BcdDevice& b);
bool operator==(const BcdElement& a, const BcdElement& b);
bool operator==(const BcdObject& a, const BcdObject& b);
bool operator==(const BcdStoreData& a, const BcdStoreData& b);

BcdObject* FindObject(BcdStoreData& store, const std::wstring& id);
const BcdObject* FindObject(const BcdStoreData& store, const std::wstring& id);
const BcdElement* FindElement(const BcdObject& object, const std::wstring& name);
// Replaces the element of that name or adds it.
void PutElement(BcdObject& object, BcdElement element);
bool RemoveElement(BcdObject& object, const std::wstring& name);

// Element builders.
BcdElement TextElement(std::wstring name, std::wstring text);
BcdElement IdElement(std::wstring name, std::wstring id);
BcdElement IdListElement(std::wstring name, std::vector<std::wstring> ids);
BcdElement PartitionElement(std::wstring name, std::wstring volume);
BcdElement IntegerElement(std::wstring name, std::uint64_t number);
BcdElement BooleanElement(std::wstring name, bool flag);

// Removes the object, and with cleanup every reference to it (lists, default, resume objects),
// as bcdedit /delete does by default.
bool DeleteObject(BcdStoreData& store, const std::wstring& id, bool cleanup);

}  // namespace qn::sim
