// FB::ShareableReference: a shared handle on an object that is owned
// elsewhere. The owner keeps the only shared reference and drops it when
// the object dies; others keep weak references and so learn whether the
// object still exists. It does not own the object.
//
// Thread rules: as std::shared_ptr; the pointed-to object's own rules apply.
#pragma once

namespace FB {

template <class T>
class ShareableReference {
 public:
  explicit ShareableReference(T* object) : object_(object) {}
  T* get() const { return object_; }

 private:
  T* object_;
};

}  // namespace FB
