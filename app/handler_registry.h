// The process-wide write-handler and query-handler registries behind
// "registerWriteHandler", "registerQueryHandler" and their unregister
// counterparts. Both lists share one id counter, so an id names at most one
// record in either list. Records are never removed: unregistering only
// marks a record inactive, and the record keeps its script object alive.
// Nothing in the plug-in calls the handlers yet; the records keep what a
// caller would need.
//
// Main thread only (script calls): the registries have no lock.
#pragma once

#include <vector>

#include "scripting/js_object.h"

namespace Norvell {

enum class HandlerKind { Write, Query };

struct HandlerRecord {
  int id = 0;
  FB::JSObjectPtr handler;  // may be empty (script null or undefined)
  bool active = true;
  int ownerId = 0;          // objectId of the root object that registered it
};

// Appends an active record to the `kind` list and answers its id.
int registerHandler(HandlerKind kind, const FB::JSObjectPtr& handler, int ownerId);

// Marks the first record of the `kind` list with `id` inactive. An id that
// list does not hold changes nothing.
void unregisterHandler(HandlerKind kind, int id);

// The `kind` list in registration order; for tests.
std::vector<HandlerRecord> handlerRecordsForTesting(HandlerKind kind);
// Empties both lists and restarts the ids at 0; for tests.
void resetHandlerRegistriesForTesting();

}  // namespace Norvell
