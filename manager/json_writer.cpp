#include "manager/json_writer.h"

namespace Norvell {

JSONWriter::~JSONWriter() = default;

void JSONWriter::reset() {
  text_.clear();
  needComma_ = false;
}

void JSONWriter::separate() {
  if (needComma_) {
    text_ += ',';
  } else {
    needComma_ = true;
  }
}

void JSONWriter::openLevel() {
  separate();
  savedFlags_.push_back(needComma_);
  needComma_ = false;
}

void JSONWriter::beginObject() {
  openLevel();
  text_ += '{';
}

void JSONWriter::endObject() {
  text_ += '}';
  endMember();
}

void JSONWriter::writeKey(const std::string& name) {
  openLevel();
  text_ += '"';
  text_ += name;
  text_ += "\":";
}

void JSONWriter::writeString(const std::string& value) {
  separate();
  text_ += '"';
  text_ += value;
  text_ += '"';
}

void JSONWriter::endMember() {
  if (savedFlags_.empty()) return;
  needComma_ = savedFlags_.back();
  savedFlags_.pop_back();
}

}  // namespace Norvell
