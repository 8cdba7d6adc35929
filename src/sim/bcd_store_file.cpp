#include "sim/bcd_store_file.h"

#include <set>
#include <string>
#include <string_view>

#include "boot/utf8_text.h"
#include "sim/bcd_elements.h"
#include "sim/bcd_ids.h"

namespace qn::sim {
namespace {

constexpr char kMagic[] = "QNSIMBCD";
constexpr std::size_t kMagicSize = 8;
constexpr std::uint16_t kVersion = 1;

class Writer {
public:
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), p, p + size);
    }
    void U8(std::uint8_t v) { out.push_back(v); }
    void U16(std::uint16_t v) {
        for (int i = 0; i < 2; ++i) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    void Str(const std::wstring& text) {
        const std::string utf8 = WideToUtf8(text);
        U32(static_cast<std::uint32_t>(utf8.size()));
        Bytes(utf8.data(), utf8.size());
    }

    std::vector<std::uint8_t> out;
};

// Every read checks what is left, so no count or length in the file can reach past its end.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok = true;
    std::size_t Left() const { return bytes_.size() - at_; }

    std::uint64_t Fixed(std::size_t size) {
        if (!ok || Left() < size) {
            ok = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < size; ++i) {
            v |= static_cast<std::uint64_t>(bytes_[at_ + i]) << (8 * i);
        }
        at_ += size;
        return v;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Fixed(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Fixed(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Fixed(4)); }
    std::uint64_t U64() { return Fixed(8); }
    std::wstring Str() {
        const std::uint32_t size = U32();
        if (!ok || Left() < size) {
            ok = false;
            return {};
        }
        const std::string_view utf8(reinterpret_cast<const char*>(bytes_.data() + at_), size);
        at_ += size;
        const std::wstring text = Utf8ToWide(utf8);
        // Only what the writer makes reads back: text that does not survive the round trip is
        // damage, not a value.
        if (WideToUtf8(text) != utf8) {
            ok = false;
        }
        return text;
    }
    // A count of items each at least minimum bytes long.
    std::uint32_t Count(std::size_t minimum) {
        const std::uint32_t n = U32();
        if (ok && static_cast<std::uint64_t>(n) * minimum > Left()) {
            ok = false;
            return 0;
        }
        return ok ? n : 0;
    }
    bool Magic() {
        if (Left() < kMagicSize ||
            std::string_view(reinterpret_cast<const char*>(bytes_.data()), kMagicSize) !=
                std::string_view(kMagic, kMagicSize)) {
            ok = false;
            return false;
        }
        at_ += kMagicSize;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

bool ReadValue(Reader& in, BcdElement& element) {
    switch (element.kind) {
        case BcdValueKind::Text:
            element.text = in.Str();
            return in.ok;
        case BcdValueKind::Id: {
            element.text = in.Str();
            return in.ok && CanonicalGuid(element.text) == element.text;
        }
        case BcdValueKind::Device: {
            const std::uint8_t kind = in.U8();
            element.device.volume = in.Str();
            if (kind == static_cast<std::uint8_t>(BcdDeviceKind::Partition)) {
                element.device.kind = BcdDeviceKind::Partition;
                return in.ok && !element.device.volume.empty();
            }
            element.device.kind = BcdDeviceKind::Boot;
            return in.ok && kind == static_cast<std::uint8_t>(BcdDeviceKind::Boot) &&
                   element.device.volume.empty();
        }
        case BcdValueKind::IdList: {
            const std::uint32_t n = in.Count(4);
            for (std::uint32_t i = 0; i < n && in.ok; ++i) {
                element.ids.push_back(in.Str());
                if (CanonicalGuid(element.ids.back()) != element.ids.back()) {
                    return false;
                }
            }
            return in.ok;
        }
        case BcdValueKind::Integer:
            element.number = in.U64();
            return in.ok;
        case BcdValueKind::Boolean: {
            const std::uint8_t flag = in.U8();
            element.flag = flag != 0;
            return in.ok && flag <= 1;
        }
    }
    return false;
}

void WriteValue(Writer& out, const BcdElement& element) {
    switch (element.kind) {
        case BcdValueKind::Text:
        case BcdValueKind::Id:
            out.Str(element.text);
            break;
        case BcdValueKind::Device:
            out.U8(static_cast<std::uint8_t>(element.device.kind));
            out.Str(element.device.volume);
            break;
        case BcdValueKind::IdList:
            out.U32(static_cast<std::uint32_t>(element.ids.size()));
            for (const std::wstring& id : element.ids) {
                out.Str(id);
            }
            break;
        case BcdValueKind::Integer:
            out.U64(element.number);
            break;
        case BcdValueKind::Boolean:
            out.U8(element.flag ? 1 : 0);
            break;
    }
}

}  // namespace

std::vector<std::uint8_t> SerializeStore(const BcdStoreData& store) {
    Writer out;
    out.Bytes(kMagic, kMagicSize);
    out.U16(kVersion);
    out.U32(static_cast<std::uint32_t>(store.objects.size()));
    for (const BcdObject& object : store.objects) {
        out.Str(object.id);
        out.U32(object.type);
        out.U32(static_cast<std::uint32_t>(object.elements.size()));
        for (const BcdElement& element : object.elements) {
            out.Str(element.name);
            out.U8(static_cast<std::uint8_t>(element.kind));
            WriteValue(out, element);
        }
    }
    return std::move(out.out);
}

std::optional<BcdStoreData> DeserializeStore(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    if (!in.Magic() || in.U16() != kVersion) {
        return std::nullopt;
    }
    BcdStoreData store;
    std::set<std::wstring> ids;
    // An object takes at least an empty id, a type and an element count.
    const std::uint32_t objects = in.Count(12);
    for (std::uint32_t i = 0; i < objects && in.ok; ++i) {
        BcdObject object;
        object.id = in.Str();
        object.type = in.U32();
        if (!in.ok || CanonicalGuid(object.id) != object.id || !ids.insert(object.id).second) {
            return std::nullopt;
        }
        std::set<std::wstring> names;
        const std::uint32_t elements = in.Count(5);
        for (std::uint32_t k = 0; k < elements && in.ok; ++k) {
            BcdElement element;
            element.name = in.Str();
            element.kind = static_cast<BcdValueKind>(in.U8());
            const ElementDefinition* definition = FindElementDefinition(element.name, object.type);
            if (!in.ok || definition == nullptr || definition->name != element.name ||
                definition->kind != element.kind || !names.insert(element.name).second ||
                !ReadValue(in, element)) {
                return std::nullopt;
            }
            object.elements.push_back(std::move(element));
        }
        store.objects.push_back(std::move(object));
    }
    if (!in.ok || in.Left() != 0) {
        return std::nullopt;
    }
    return store;
}

}  // namespace qn::sim
