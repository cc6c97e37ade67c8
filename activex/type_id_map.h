// FB::TypeIDMap<IdType>: a two-way map between member names (FB::variant
// holding narrow or wide text) and numeric identifiers. Pairs are never
// removed; new names get the next free identifier, counting up from the
// first free one given at construction.
//
// Not locked: the owner guards it.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>

#include "scripting/variant.h"

namespace FB {

template <class IdType>
class TypeIDMap {
 public:
  explicit TypeIDMap(IdType firstFree) : next_(firstFree) {}

  // Throws std::runtime_error when the name or the identifier is taken.
  void insert(const variant& name, IdType id) {
    if (byName_.count(name) || byId_.count(id)) throw std::runtime_error("ID or value already defined");
    byName_.emplace(name, id);
    byId_.emplace(id, name);
  }

  // The identifier of `name`, assigning the next free one to a new name.
  IdType idFor(const variant& name) {
    auto found = byName_.find(name);
    if (found != byName_.end()) return found->second;
    while (byId_.count(next_)) ++next_;
    IdType id = next_++;
    insert(name, id);
    return id;
  }

  std::optional<IdType> find(const variant& name) const {
    auto found = byName_.find(name);
    if (found == byName_.end()) return std::nullopt;
    return found->second;
  }

  // The name mapped to `id`; null when there is none.
  const variant* nameOf(IdType id) const {
    auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &found->second;
  }

  std::size_t size() const { return byId_.size(); }

 private:
  std::map<variant, IdType> byName_;
  std::map<IdType, variant> byId_;
  IdType next_;
};

}  // namespace FB
