#include "ui/markup_depth.h"

#include <algorithm>

namespace qn {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// Past the end of what starts at from and ends with terminator; the end of text when unended.
std::size_t After(std::string_view text, std::size_t from, std::string_view terminator) {
    const std::size_t end = text.find(terminator, from);
    return end == kNotFound ? text.size() : end + terminator.size();
}

// Past a DOCTYPE: its end is the first '>' outside its bracketed internal subset.
std::size_t AfterDoctype(std::string_view text, std::size_t i) {
    int brackets = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == '[') {
            ++brackets;
        } else if (text[i] == ']') {
            brackets = std::max(0, brackets - 1);
        } else if (text[i] == '>' && brackets == 0) {
            return i + 1;
        }
    }
    return text.size();
}

// The '>' that ends the start tag at i, stepping over quoted attribute values (a '>' or "/>"
// inside one ends nothing); kNotFound when the tag is unended.
std::size_t StartTagEnd(std::string_view text, std::size_t i) {
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            i = text.find(c, i + 1);
            if (i == kNotFound) {
                return kNotFound;
            }
        } else if (c == '>') {
            return i;
        }
    }
    return kNotFound;
}

}  // namespace

bool MarkupDepthWithin(std::string_view markup, int maxDepth) {
    int depth = 0;
    std::size_t i = 0;
    while ((i = markup.find('<', i)) != kNotFound) {
        const std::string_view rest = markup.substr(i);
        if (rest.starts_with("<!--")) {
            i = After(markup, i + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            i = After(markup, i + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            i = After(markup, i + 2, "?>");
        } else if (rest.starts_with("<!")) {
            i = AfterDoctype(markup, i + 2);
        } else if (rest.starts_with("</")) {
            depth = std::max(0, depth - 1);
            i = After(markup, i + 2, ">");
        } else {
            const std::size_t end = StartTagEnd(markup, i + 1);
            if (end == kNotFound) {
                return true;  // the parser reports the unterminated tag
            }
            if (markup[end - 1] != '/' && ++depth > maxDepth) {
                return false;
            }
            i = end + 1;
        }
    }
    return true;
}

}  // namespace qn
