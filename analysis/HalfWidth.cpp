#include "HalfWidth.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "TextRules.h"

namespace {

struct THalfWidthRow {
  std::uint16_t code;  // lead byte << 8 | trail byte
  const char* narrow;
};

// Sorted by code.
constexpr THalfWidthRow kHalfWidthRows[] = {
    {0x8140, "\x20"},     {0x8141, "\xa4"},     {0x8142, "\xa1"},     {0x8143, "\x2c"},
    {0x8144, "\x2e"},     {0x8145, "\xa5"},     {0x8146, "\x3a"},     {0x8147, "\x3b"},
    {0x8148, "\x3f"},     {0x8149, "\x21"},     {0x814A, "\xde"},     {0x814B, "\xdf"},
    {0x814D, "\x60"},     {0x814F, "\x5e"},     {0x8151, "\x5f"},     {0x815B, "\xb0"},
    {0x815E, "\x2f"},     {0x815F, "\x5c"},     {0x8160, "\x7e"},     {0x8162, "\x7c"},
    {0x8169, "\x28"},     {0x816A, "\x29"},     {0x816D, "\x5b"},     {0x816E, "\x5d"},
    {0x816F, "\x7b"},     {0x8170, "\x7d"},     {0x8175, "\xa2"},     {0x8176, "\xa3"},
    {0x817B, "\x2b"},     {0x817C, "\x2d"},     {0x8181, "\x3d"},     {0x8183, "\x3c"},
    {0x8184, "\x3e"},     {0x8190, "\x24"},     {0x8193, "\x25"},     {0x8194, "\x23"},
    {0x8195, "\x26"},     {0x8196, "\x2a"},     {0x8197, "\x40"},     {0x824F, "\x30"},
    {0x8250, "\x31"},     {0x8251, "\x32"},     {0x8252, "\x33"},     {0x8253, "\x34"},
    {0x8254, "\x35"},     {0x8255, "\x36"},     {0x8256, "\x37"},     {0x8257, "\x38"},
    {0x8258, "\x39"},     {0x8260, "\x41"},     {0x8261, "\x42"},     {0x8262, "\x43"},
    {0x8263, "\x44"},     {0x8264, "\x45"},     {0x8265, "\x46"},     {0x8266, "\x47"},
    {0x8267, "\x48"},     {0x8268, "\x49"},     {0x8269, "\x4a"},     {0x826A, "\x4b"},
    {0x826B, "\x4c"},     {0x826C, "\x4d"},     {0x826D, "\x4e"},     {0x826E, "\x4f"},
    {0x826F, "\x50"},     {0x8270, "\x51"},     {0x8271, "\x52"},     {0x8272, "\x53"},
    {0x8273, "\x54"},     {0x8274, "\x55"},     {0x8275, "\x56"},     {0x8276, "\x57"},
    {0x8277, "\x58"},     {0x8278, "\x59"},     {0x8279, "\x5a"},     {0x8281, "\x61"},
    {0x8282, "\x62"},     {0x8283, "\x63"},     {0x8284, "\x64"},     {0x8285, "\x65"},
    {0x8286, "\x66"},     {0x8287, "\x67"},     {0x8288, "\x68"},     {0x8289, "\x69"},
    {0x828A, "\x6a"},     {0x828B, "\x6b"},     {0x828C, "\x6c"},     {0x828D, "\x6d"},
    {0x828E, "\x6e"},     {0x828F, "\x6f"},     {0x8290, "\x70"},     {0x8291, "\x71"},
    {0x8292, "\x72"},     {0x8293, "\x73"},     {0x8294, "\x74"},     {0x8295, "\x75"},
    {0x8296, "\x76"},     {0x8297, "\x77"},     {0x8298, "\x78"},     {0x8299, "\x79"},
    {0x829A, "\x7a"},     {0x8340, "\xa7"},     {0x8341, "\xb1"},     {0x8342, "\xa8"},
    {0x8343, "\xb2"},     {0x8344, "\xa9"},     {0x8345, "\xb3"},     {0x8346, "\xaa"},
    {0x8347, "\xb4"},     {0x8348, "\xab"},     {0x8349, "\xb5"},     {0x834A, "\xb6"},
    {0x834B, "\xb6\xde"}, {0x834C, "\xb7"},     {0x834D, "\xb7\xde"}, {0x834E, "\xb8"},
    {0x834F, "\xb8\xde"}, {0x8350, "\xb9"},     {0x8351, "\xb9\xde"}, {0x8352, "\xba"},
    {0x8353, "\xba\xde"}, {0x8354, "\xbb"},     {0x8355, "\xbb\xde"}, {0x8356, "\xbc"},
    {0x8357, "\xbc\xde"}, {0x8358, "\xbd"},     {0x8359, "\xbd\xde"}, {0x835A, "\xbe"},
    {0x835B, "\xbe\xde"}, {0x835C, "\xbf"},     {0x835D, "\xbf\xde"}, {0x835E, "\xc0"},
    {0x835F, "\xc0\xde"}, {0x8360, "\xc1"},     {0x8361, "\xc1\xde"}, {0x8362, "\xaf"},
    {0x8363, "\xc2"},     {0x8364, "\xc2\xde"}, {0x8365, "\xc3"},     {0x8366, "\xc3\xde"},
    {0x8367, "\xc4"},     {0x8368, "\xc4\xde"}, {0x8369, "\xc5"},     {0x836A, "\xc6"},
    {0x836B, "\xc7"},     {0x836C, "\xc8"},     {0x836D, "\xc9"},     {0x836E, "\xca"},
    {0x836F, "\xca\xde"}, {0x8370, "\xca\xdf"}, {0x8371, "\xcb"},     {0x8372, "\xcb\xde"},
    {0x8373, "\xcb\xdf"}, {0x8374, "\xcc"},     {0x8375, "\xcc\xde"}, {0x8376, "\xcc\xdf"},
    {0x8377, "\xcd"},     {0x8378, "\xcd\xde"}, {0x8379, "\xcd\xdf"}, {0x837A, "\xce"},
    {0x837B, "\xce\xde"}, {0x837C, "\xce\xdf"}, {0x837D, "\xcf"},     {0x837E, "\xd0"},
    {0x8380, "\xd1"},     {0x8381, "\xd2"},     {0x8382, "\xd3"},     {0x8383, "\xac"},
    {0x8384, "\xd4"},     {0x8385, "\xad"},     {0x8386, "\xd5"},     {0x8387, "\xae"},
    {0x8388, "\xd6"},     {0x8389, "\xd7"},     {0x838A, "\xd8"},     {0x838B, "\xd9"},
    {0x838C, "\xda"},     {0x838D, "\xdb"},     {0x838F, "\xdc"},     {0x8392, "\xa6"},
    {0x8393, "\xdd"},     {0x8394, "\xb3\xde"}, {0xEEFB, "\x27"},     {0xEEFC, "\x22"},
    {0xFA56, "\x27"},     {0xFA57, "\x22"},
};

}  // namespace

std::string HalfWidthPortable(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const TLeadByteSet& lead = LeadByteSet();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (!lead.Contains(b) || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const auto code = static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(text[i + 1]));
    const auto row = std::lower_bound(std::begin(kHalfWidthRows), std::end(kHalfWidthRows), code,
                                      [](const THalfWidthRow& r, std::uint16_t c) { return r.code < c; });
    if (row != std::end(kHalfWidthRows) && row->code == code)
      out += row->narrow;
    else
      out.append(text.substr(i, 2));
    ++i;
  }
  return out;
}
