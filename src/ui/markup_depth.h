#pragma once

#include <string_view>

namespace qn {

// True when the markup's elements nest no deeper than maxDepth. Checked before the XML parser,
// which recurses once per level, sees the text, so it must never count less than the parser
// will nest: it skips what the parser skips the same way (quoted attribute values inside a tag,
// comments, CDATA, processing instructions, a DOCTYPE with its bracketed part). It may count
// more on malformed text, which the parser refuses anyway.
bool MarkupDepthWithin(std::string_view markup, int maxDepth);

}  // namespace qn
