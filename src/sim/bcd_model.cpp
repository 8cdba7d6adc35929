#include "sim/bcd_model.h"

#include <algorithm>

namespace qn::sim {

bool operator==(const BcdDevice& a, const BcdDevice& b) {
    return a.kind == b.kind && a.volume == b.volume;
}

bool operator==(const BcdElement& a, const BcdElement& b) {
    return a.name == b.name && a.kind == b.kind && a.text == b.text && a.device == b.device &&
           a.ids == b.ids && a.number == b.number && a.flag == b.flag;
}

bool operator==(const BcdObject& a, const BcdObject& b) {
    return a.id == b.id && a.type == b.type && a.elements == b.elements;
}

bool operator==(const BcdStoreData& a, const BcdStoreData& b) {
    return a.objects == b.objects;
}

BcdObject* FindObject(BcdStoreData& store, const std::wstring& id) {
    for (BcdObject& object : store.objects) {
        if (object.id == id) {
            return &object;
        }
    }
    return nullptr;
}

const BcdObject* FindObject(const BcdStoreData& store, const std::wstring& id) {
    for (const BcdObject& object : store.objects) {
        if (object.id == id) {
            return &object;
        }
    }
    return nullptr;
}

const BcdElement* FindElement(const BcdObject& object, const std::wstring& name) {
    for (const BcdElement& element : object.elements) {
        if (element.name == name) {
            return &element;
        }
    }
    return nullptr;
}

void PutElement(BcdObject& object, BcdElement element) {
    for (BcdElement& existing : object.elements) {
        if (existing.name == element.name) {
            existing = std::move(element);
            return;
        }
    }
    object.elements.push_back(std::move(element));
}

bool RemoveElement(BcdObject& object, const std::wstring& name) {
    const auto before = object.elements.size();
    std::erase_if(object.elements, [&](const BcdElement& e) { return e.name == name; });
    return object.elements.size() != before;
}

BcdElement TextElement(std::wstring name, std::wstring text) {
    BcdElement element;
    element.name = std::move(name);
    element.kind = BcdValueKind::Text;
    element.text = std::move(text);
    return element;
}

BcdElement IdElement(std::wstring name, std::wstring id) {
    BcdElement element = TextElement(std::move(name), std::move(id));
    element.kind = BcdValueKind::Id;
    return element;
}

BcdElement IdListElement(std::wstring name, std::vector<std::wstring> ids) {
    BcdElement element;
    element.name = std::move(name);
    element.kind = BcdValueKind::IdList;
    element.ids = std::move(ids);
    return element;
}

BcdElement PartitionElement(std::wstring name, std::wstring volume) {
    BcdElement element;
    element.name = std::move(name);
    element.kind = BcdValueKind::Device;
    element.device = BcdDevice{BcdDeviceKind::Partition, std::move(volume)};
    return element;
}

BcdElement IntegerElement(std::wstring name, std::uint64_t number) {
    BcdElement element;
    element.name = std::move(name);
    element.kind = BcdValueKind::Integer;
    element.number = number;
    return element;
}

BcdElement BooleanElement(std::wstring name, bool flag) {
    BcdElement element;
    element.name = std::move(name);
    element.kind = BcdValueKind::Boolean;
    element.flag = flag;
    return element;
}

bool DeleteObject(BcdStoreData& store, const std::wstring& id, bool cleanup) {
    const auto before = store.objects.size();
    std::erase_if(store.objects, [&](const BcdObject& o) { return o.id == id; });
    if (store.objects.size() == before) {
        return false;
    }
    if (!cleanup) {
        return true;
    }
    for (BcdObject& object : store.objects) {
        std::erase_if(object.elements, [&](BcdElement& element) {
            if (element.kind == BcdValueKind::Id) {
                return element.text == id;
            }
            if (element.kind == BcdValueKind::IdList) {
                std::erase(element.ids, id);
                // An emptied list goes with its last entry, as bcdedit leaves it.
                return element.ids.empty();
            }
            return false;
        });
    }
    return true;
}

}  // namespace qn::sim
