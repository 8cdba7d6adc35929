#include "ui/markup_builder.h"

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <exception>
#include <vector>

#include "ui/attribute_values.h"
#include "ui/markup_depth.h"
#include "boot/utf8_text.h"

namespace qn {

namespace {

using Node = rapidxml::xml_node<char>;
using AttributePairs = std::vector<std::pair<std::wstring, std::wstring>>;

std::wstring Wide(const char* text, std::size_t size) {
    return Utf8ToWide(std::string_view(text, size));
}

std::wstring NameOf(const Node& node) {
    return Wide(node.name(), node.name_size());
}

std::wstring ValueOf(const rapidxml::xml_attribute<char>& a) {
    return Wide(a.value(), a.value_size());
}

bool Is(const Node& node, std::string_view name) {
    return std::string_view(node.name(), node.name_size()) == name;
}

// One build: the stack of files being included, to refuse loops, and the nesting depth.
class BuildPass {
public:
    BuildPass(const SkinSource& skin, ControlManager& manager, IDialogBuilderCallback* callback)
        : skin_(skin), manager_(manager), callback_(callback) {}

    std::unique_ptr<Control> File(const std::wstring& file, int depth, std::wstring& error) {
        if (std::find(files_.begin(), files_.end(), file) != files_.end()) {
            error = L"\"" + file + L"\" includes itself";
            return nullptr;
        }
        if (static_cast<int>(files_.size()) >= MarkupBuilder::kMaxIncludeDepth) {
            error = L"includes nest too deep at \"" + file + L"\"";
            return nullptr;
        }
        std::vector<std::uint8_t> bytes;
        if (!skin_.ReadFile(file, bytes, error)) {
            error = L"\"" + file + L"\": " + error;
            return nullptr;
        }
        files_.push_back(file);
        auto root =
            Text(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), depth,
                 error);
        files_.pop_back();
        if (!root) {
            error = L"\"" + file + L"\": " + error;
        }
        return root;
    }

    std::unique_ptr<Control> Text(std::string_view markup, int depth, std::wstring& error) {
        if (markup.size() >= 3 && markup.substr(0, 3) == "\xEF\xBB\xBF") {
            markup.remove_prefix(3);
        }
        if (!MarkupDepthWithin(markup, MarkupBuilder::kMaxDepth)) {
            error = L"elements nest too deep";
            return nullptr;
        }
        // The parser works in place and needs a terminating zero.
        std::vector<char> buffer(markup.begin(), markup.end());
        buffer.push_back('\0');
        rapidxml::xml_document<char> doc;
        try {
            doc.parse<rapidxml::parse_default>(buffer.data());
        } catch (const rapidxml::parse_error& e) {
            const auto offset = static_cast<long long>(e.where<char>() - buffer.data());
            error =
                L"malformed XML: " + Utf8ToWide(e.what()) + L" at byte " + std::to_wstring(offset);
            return nullptr;
        } catch (const std::exception& e) {
            error = L"malformed XML: " + Utf8ToWide(e.what());
            return nullptr;
        }
        Node* top = doc.first_node();
        if (top == nullptr) {
            error = L"no element";
            return nullptr;
        }
        if (top->next_sibling() != nullptr) {
            error = L"more than one top element";
            return nullptr;
        }
        if (Is(*top, "Window")) {
            return Window(*top, depth, error);
        }
        return Element(*top, depth, error);
    }

private:
    std::unique_ptr<Control> Window(Node& node, int depth, std::wstring& error) {
        WindowSpec spec = manager_.GetWindowSpec();
        for (auto* a = node.first_attribute(); a != nullptr; a = a->next_attribute()) {
            const std::string_view name(a->name(), a->name_size());
            const std::wstring value = ValueOf(*a);
            bool ok = false;
            if (name == "size") {
                const auto size = ParseSize(value);
                ok = size && size->cx > 0 && size->cy > 0;
                if (ok) {
                    spec.size = *size;
                }
            } else if (name == "caption") {
                const auto caption = ParseRect(value);
                ok = caption.has_value();
                if (ok) {
                    spec.caption = *caption;
                }
            }
            if (!ok) {
                error = L"Window: bad attribute " + Wide(a->name(), a->name_size()) + L"=\"" +
                        value + L"\"";
                return nullptr;
            }
        }
        manager_.SetWindowSpec(spec);
        std::unique_ptr<Control> root;
        for (Node* child = node.first_node(); child != nullptr; child = child->next_sibling()) {
            if (Is(*child, "Font")) {
                if (!Font(*child, error)) {
                    return nullptr;
                }
            } else if (Is(*child, "Default")) {
                if (!Default(*child, error)) {
                    return nullptr;
                }
            } else if (root) {
                error = L"Window holds more than one root control";
                return nullptr;
            } else {
                root = Element(*child, depth + 1, error);
                if (!root) {
                    return nullptr;
                }
            }
        }
        if (!root) {
            error = L"Window holds no control";
        }
        return root;
    }

    bool Font(Node& node, std::wstring& error) {
        FontSpec font;
        bool isDefault = false;
        bool hasId = false;
        for (auto* a = node.first_attribute(); a != nullptr; a = a->next_attribute()) {
            const std::string_view name(a->name(), a->name_size());
            const std::wstring value = ValueOf(*a);
            bool ok = true;
            if (name == "id" || name == "size") {
                const auto number = ParseInt(value);
                ok = number && *number >= 0 && (name == "id" || (*number > 0 && *number <= 200));
                if (ok) {
                    (name == "id" ? font.id : font.size) = *number;
                    hasId = hasId || name == "id";
                }
            } else if (name == "name") {
                font.name = value;
            } else if (name == "bold" || name == "underline" || name == "italic" ||
                       name == "default") {
                const auto on = ParseBool(value);
                ok = on.has_value();
                if (ok) {
                    (name == "bold"        ? font.bold
                     : name == "underline" ? font.underline
                     : name == "italic"    ? font.italic
                                           : isDefault) = *on;
                }
            } else {
                ok = false;
            }
            if (!ok) {
                error = L"Font: bad attribute " + Wide(a->name(), a->name_size()) + L"=\"" + value +
                        L"\"";
                return false;
            }
        }
        if (!hasId || font.name.empty()) {
            error = L"Font needs an id and a name";
            return false;
        }
        manager_.AddFont(font, isDefault);
        return true;
    }

    bool Default(Node& node, std::wstring& error) {
        auto* name = node.first_attribute("name");
        auto* value = node.first_attribute("value");
        if (name == nullptr || value == nullptr || !ParseAttributeList(ValueOf(*value))) {
            error = L"Default needs a name and a value of attributes";
            return false;
        }
        manager_.SetDefaultAttributes(ValueOf(*name), ValueOf(*value));
        return true;
    }

    std::unique_ptr<Control> Create(const std::wstring& className) {
        if (auto control = CreateControlOfClass(className)) {
            return control;
        }
        return callback_ != nullptr ? callback_->CreateControl(className) : nullptr;
    }

    std::unique_ptr<Control> Element(Node& node, int depth, std::wstring& error) {
        if (depth > MarkupBuilder::kMaxDepth) {
            error = L"controls nest too deep";
            return nullptr;
        }
        if (Is(node, "Include")) {
            auto* source = node.first_attribute("source");
            if (source == nullptr) {
                error = L"Include without source";
                return nullptr;
            }
            return File(ValueOf(*source), depth, error);
        }
        const std::wstring className = NameOf(node);
        std::unique_ptr<Control> control = Create(className);
        if (!control) {
            error = L"unknown element <" + className + L">";
            return nullptr;
        }
        if (const std::wstring* defaults = manager_.DefaultAttributes(className)) {
            const auto pairs = ParseAttributeList(*defaults);
            for (const auto& [name, value] : pairs.value_or(AttributePairs{})) {
                if (!control->SetAttribute(name, value)) {
                    error = L"default of <" + className + L">: bad attribute " + name + L"=\"" +
                            value + L"\"";
                    return nullptr;
                }
            }
        }
        for (auto* a = node.first_attribute(); a != nullptr; a = a->next_attribute()) {
            const std::wstring name = Wide(a->name(), a->name_size());
            const std::wstring value = ValueOf(*a);
            if (!control->SetAttribute(name, value)) {
                error = L"<" + className + L">: bad attribute " + name + L"=\"" + value + L"\"";
                return nullptr;
            }
        }
        for (Node* child = node.first_node(); child != nullptr; child = child->next_sibling()) {
            auto built = Element(*child, depth + 1, error);
            if (!built) {
                return nullptr;
            }
            const std::wstring childClass(built->ClassName());
            if (!control->AddMarkupChild(std::move(built))) {
                error = L"<" + className + L"> cannot hold <" + childClass + L">";
                return nullptr;
            }
        }
        return control;
    }

    const SkinSource& skin_;
    ControlManager& manager_;
    IDialogBuilderCallback* callback_;
    std::vector<std::wstring> files_;
};

}  // namespace

std::unique_ptr<Control> MarkupBuilder::Build(const std::wstring& file, std::wstring& error) {
    return BuildPass(skin_, manager_, callback_).File(file, 0, error);
}

std::unique_ptr<Control> MarkupBuilder::BuildFromText(std::string_view markup,
                                                      std::wstring& error) {
    return BuildPass(skin_, manager_, callback_).Text(markup, 0, error);
}

}  // namespace qn
