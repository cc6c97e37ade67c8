// Drives the plug-in manager's JSON reader over any text: the first bytes
// pick a sequence of reads, the rest is the text. Whatever the reads, the
// cursor only moves forward, never past one beyond the end, and every piece
// of text a read hands out is a piece of the input as written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "manager/json_reader.h"

using nzfuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t steps = size < 8 ? size : 8;
  const std::string text(reinterpret_cast<const char*>(data) + steps, size - steps);
  Norvell::JSONReader reader(text);
  require(reader.end == text.size(), "end is the length of the text");
  std::string out;
  for (std::size_t round = 0; round < 4; ++round) {
    for (std::size_t i = 0; i < steps; ++i) {
      const std::size_t before = reader.cursor;
      bool read = false;
      bool handsOut = false;
      switch (data[i] % 9) {
        case 0: reader.skipSpaces(); break;
        case 1: reader.openObject(); break;
        case 2: reader.openArray(); break;
        case 3: reader.closeObject(); break;
        case 4: reader.closeArray(); break;
        case 5: read = reader.readKey(out); break;
        case 6: read = reader.readString(out); break;
        case 7: read = handsOut = reader.readValue(out); break;
        case 8: read = handsOut = reader.readRawObject(out); break;
      }
      require(reader.cursor >= before, "the cursor never moves back");
      require(reader.cursor <= reader.end + 1, "the cursor stays within one beyond the end");
      if (read) require(text.find(out) != std::string::npos, "what a read hands out is part of the text");
      if (handsOut) {
        // readValue and readRawObject hand out exactly the text they stepped over.
        require(out.size() <= reader.cursor - before, "a raw value is no longer than the text it consumed");
        require(text.compare(reader.cursor - out.size(), out.size(), out) == 0, "a raw value ends at the cursor");
      }
      if (read && data[i] % 9 == 8) {
        const std::size_t brace = out.find_first_not_of(" \t\r\n,");
        require(brace != std::string::npos && out[brace] == '{' && out.back() == '}', "a raw object is braced");
      }
    }
  }
  return 0;
}
