// Norvell::JSONWriter: builds the plug-in manager's JSON text, objects whose
// member values are strings. Names and values are written exactly as given,
// without escaping, and the output holds no white space.
//
// A member is written with writeKey, writeString, endMember; an object with
// beginObject, its members, endObject. Commas between items come from the
// writer itself. Call reset before use.
//
// Not synchronised; the plug-in manager uses its writers on the browser's
// main thread only.
#pragma once

#include <deque>
#include <string>

namespace Norvell {

class JSONWriter {
 public:
  JSONWriter() = default;
  virtual ~JSONWriter();

  // Empties the text and starts a fresh level; the saved levels stay.
  void reset();

  void beginObject();
  void endObject();
  void writeKey(const std::string& name);
  void writeString(const std::string& value);
  // Goes back to the level saved by the matching writeKey or beginObject;
  // does nothing when no level is saved.
  void endMember();

  const std::string& text() const { return text_; }

 private:
  // Puts "," before every item of a level but its first.
  void separate();
  // Saves the current level and opens a new one.
  void openLevel();

  std::string text_;
  bool needComma_ = false;
  std::deque<bool> savedFlags_;  // a stack: the levels opened so far
};

}  // namespace Norvell
