#include "app/handler_registry.h"

#include <algorithm>
#include <memory>

namespace Norvell {
namespace {

struct Registries {
  std::vector<std::unique_ptr<HandlerRecord>> write;
  std::vector<std::unique_ptr<HandlerRecord>> query;
  int nextId = 0;
};

// Deliberately never destroyed: the records hold browser objects, which must
// not be released while the library is being unloaded.
Registries& registries() {
  static Registries* r = new Registries;
  return *r;
}

std::vector<std::unique_ptr<HandlerRecord>>& list(HandlerKind kind) {
  return kind == HandlerKind::Write ? registries().write : registries().query;
}

}  // namespace

int registerHandler(HandlerKind kind, const FB::JSObjectPtr& handler, int ownerId) {
  auto record = std::make_unique<HandlerRecord>();
  record->id = registries().nextId++;
  record->handler = handler;
  record->active = true;
  record->ownerId = ownerId;
  const int id = record->id;
  list(kind).push_back(std::move(record));
  return id;
}

void unregisterHandler(HandlerKind kind, int id) {
  auto& records = list(kind);
  auto found = std::find_if(records.begin(), records.end(), [id](const auto& record) { return record->id == id; });
  if (found != records.end()) (*found)->active = false;
}

std::vector<HandlerRecord> handlerRecordsForTesting(HandlerKind kind) {
  std::vector<HandlerRecord> copy;
  for (const auto& record : list(kind)) copy.push_back(*record);
  return copy;
}

void resetHandlerRegistriesForTesting() {
  Registries& r = registries();
  r.write.clear();
  r.query.clear();
  r.nextId = 0;
}

}  // namespace Norvell
