// The slow model of the block searches: bytes tested one at a time. It includes nothing of the analysis
// core, so that a test can build the core's searches of either kind of block beside it.
#pragma once

#include <cstddef>
#include <string_view>

namespace model {

// The first position at or after `from` where holds(text, position) is true, or the text's size.
template <class F>
std::size_t FindWhere(std::string_view text, std::size_t from, F&& holds) {
  for (std::size_t i = from; i < text.size(); ++i)
    if (holds(text, i)) return i;
  return text.size();
}

}  // namespace model
