// libFuzzer target: the tag removal and the two mail analysers against the slow models of RulesModel.h,
// which follow the rules step by step (the lowered copy, the list of lines, the joined text, a copy of the
// remaining text per tag). Every open, pause and read of the ID must come in the same order.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Analysers.h"
#include "FuzzCheck.h"
#include "InfoCash.h"
#include "RulesModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: how often the text repeats (so that lines run over the windows of a line put together,
  // which scripts/fuzz makes small, and the removals past short searches), the ID's length, whether the
  // ID changes from one read to the next, and which lead-byte set is in force.
  const int repeats = (data[0] >> 4) + 1;
  const size_t idLength = std::min<size_t>(data[0] & 0x03, size - 1);
  const bool changingId = data[0] & 0x04;
  SetLeadByteSet(data[0] & 0x08 ? TLeadByteSet::Empty() : TLeadByteSet::Cp932());
  const std::string id(reinterpret_cast<const char*>(data) + 1, idLength);
  const std::string piece(reinterpret_cast<const char*>(data) + 1 + idLength, size - 1 - idLength);
  std::string text;
  for (int i = 0; i < repeats; ++i) text += piece;

  CHECK(StripTags(text) == model::StripTags(text));

  const std::string mails[] = {text, "NetMile info-cash.jp\r\n" + text};
  for (const std::string& mail : mails) {
    model::LogHost mine, slow;
    mine.ids = slow.ids = changingId ? std::vector<std::string>{id, "ic1", ""} : std::vector<std::string>{id};
    ::BrowseNetMileAD(mine, mail);
    model::BrowseNetMileAD(slow, mail);
    CHECK(mine.log == slow.log);
    ::BrowseInfoCash(mine, mail);
    model::BrowseInfoCash(slow, mail);
    CHECK(mine.log == slow.log);
  }
  SetLeadByteSet(TLeadByteSet::Cp932());
  return 0;
}
