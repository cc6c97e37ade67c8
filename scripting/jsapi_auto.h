// FB::JSAPIAuto: the base class of every scriptable object of the
// application. It keeps a by-name registry of methods, properties and
// free-form attributes, each registered in an access zone, and turns the
// FB::JSAPI operations into registry lookups and calls of typed member
// functions (see method_converter.h).
//
// Every object answers the built-in members "toString", "getAttribute",
// "setAttribute", "value" and "valid". A method read as a value becomes a
// cached FB::JSFunction. Names are case-sensitive and enumerate in ascending
// byte order.
//
// Thread rules: any thread may call in; all operations, including the
// registered member function itself, run under the object's recursive zone
// lock. Objects must be owned by a std::shared_ptr (method objects refer back
// to their owner weakly).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "scripting/jsapi_impl.h"
#include "scripting/method_converter.h"

namespace FB {

class JSFunction;

class JSAPIAuto : public JSAPIImpl {
 public:
  static constexpr const char* kDefaultDescription = "<JSAPI-Auto Javascript Object>";

  explicit JSAPIAuto(const std::string& description = kDefaultDescription);
  JSAPIAuto(int baseZone, const std::string& description);
  ~JSAPIAuto() override;

  using JSAPI::callMethod;
  using JSAPI::collectMemberNames;
  using JSAPI::deleteProperty;
  using JSAPI::hasCallableMember;
  using JSAPI::hasMethodNamed;
  using JSAPI::hasPropertyNamed;
  using JSAPI::methodObject;
  using JSAPI::readProperty;
  using JSAPI::writeProperty;

  void collectMemberNames(std::vector<std::string>& names) const override;
  std::size_t memberCount() const override;
  bool hasMethodNamed(const std::string& name) const override;
  bool hasCallableMember(const std::string& name) const override;
  bool hasPropertyAt(std::size_t index) const override;
  bool hasPropertyNamed(const std::string& name) const override;
  JSAPIPtr methodObject(const std::string& name) override;
  variant readPropertyAt(std::size_t index) override;
  variant readProperty(const std::string& name) override;
  void writePropertyAt(std::size_t index, const variant& value) override;
  void writeProperty(const std::string& name, const variant& value) override;
  void deletePropertyAt(std::size_t index) override;
  void deleteProperty(const std::string& name) override;
  variant callMethod(const std::string& name, const VariantVector& args) override;
  variant constructNew(const VariantVector& args) override;
  // Also calls a function that script stored as an attribute of the event's
  // name (for example onprogress).
  void deliverEvent(const std::string& name, const VariantVector& args) override;

  // Registration; each adding operation records the current zone.
  virtual void addAttribute(const std::string& name, const variant& value, bool readOnly);
  virtual void reserveName(const std::string& name);
  virtual void removeMethod(const std::string& name);
  virtual void removeMethod(const std::wstring& name);
  virtual void addMethod(const std::string& name, CallMethodFunctor method);
  virtual void addMethod(const std::wstring& name, CallMethodFunctor method);
  virtual void addProperty(const std::string& name, GetPropFunctor getter, SetPropFunctor setter);
  virtual void addProperty(const std::wstring& name, GetPropFunctor getter, SetPropFunctor setter);
  virtual void removeProperty(const std::string& name);
  virtual void removeProperty(const std::wstring& name);
  virtual std::string descriptionText() const;
  virtual bool isValidObject() const { return true; }
  virtual variant readAttribute(const std::string& name) const;
  virtual void writeAttribute(const std::string& name, const variant& value);
  virtual void dropAttribute(const std::string& name);
  // Lets go of every attribute, read-only ones too (for an object whose
  // page is going: what the attributes hold may hold this object's owner).
  void dropAllAttributes();

  void addProperty(const std::string& name, PropertyFunctors property) {
    addProperty(name, std::move(property.get), std::move(property.set));
  }

 protected:
  // Switches a subclass may change in its constructor.
  bool dynamicAttributesAllowed_ = true;
  bool propertyRemovalAllowed_ = false;
  bool methodObjectsAllowed_ = true;
  std::set<std::string> reservedNames_;

 private:
  // A registered method with a copy of its name's zone entry, kept in step
  // with zones_ so that a call needs one lookup.
  struct Method {
    CallMethodFunctor call;
    std::optional<int> zone;
  };
  // A registered property with a copy of its name's zone entry (as for
  // methods).
  struct Property {
    PropertyFunctors functors;
    std::optional<int> zone;
  };
  struct Attribute {
    variant value;
    bool readOnly = false;
  };

  void registerBuiltIns();
  bool isAccessible(const std::string& name) const;
  bool isAccessibleMethod(const std::string& name) const;
  void throwIfInvalid() const;
  void recordZone(const std::string& name);
  void forgetZone(const std::string& name);

  std::string description_;
  // Hashed: every script call looks names up here several times. Listing
  // sorts what it lists.
  std::unordered_map<std::string, Method> methods_;
  std::unordered_map<std::string, Property> properties_;
  std::unordered_map<std::string, Attribute> attributes_;
  std::unordered_map<std::string, int> zones_;
  // Method objects by name, then by the zone they were made in; looked up
  // by the name as given, without copying it.
  std::map<std::string, std::map<int, std::shared_ptr<JSFunction>>, std::less<>> methodObjects_;
};

using JSAPIAutoPtr = std::shared_ptr<JSAPIAuto>;

}  // namespace FB
