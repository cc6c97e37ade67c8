// FB::JSAPI: the scriptable-object interface that the browser bindings drive.
// Each script operation on a wrapped object (read, write, call, enumerate) is
// one call here with FB::variant values. Every name-taking operation has a
// UTF-8 form and a wide form; the wide form converts the name and forwards.
// The virtual operations are declared in a fixed order that the bindings and
// subclasses rely on; do not reorder them.
//
// Objects are held only through shared pointers. Thread rules are the
// implementing class's; FB::JSAPIAuto serialises everything with its zone lock.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "scripting/variant.h"

namespace FB {

class JSAPI : public std::enable_shared_from_this<JSAPI> {
 public:
  JSAPI() = default;
  JSAPI(const JSAPI&) = delete;
  JSAPI& operator=(const JSAPI&) = delete;
  virtual ~JSAPI();

  virtual void markInvalid() = 0;
  virtual void prepareForShutdown() {}

  // Access zones: a member registered in zone z is visible only while the
  // current zone is at least z.
  virtual void enterZone(int zone) { (void)zone; }
  virtual void leaveZone() {}
  virtual void setBaseZone(int zone) { (void)zone; }
  virtual int baseZone() const { return 0; }
  virtual int currentZone() const { return 0; }

  virtual void addEventHandler(const std::wstring& name, const JSObjectPtr& handler);
  virtual void addEventHandler(const std::string& name, const JSObjectPtr& handler);
  virtual void removeEventHandler(const std::wstring& name, const JSObjectPtr& handler);
  virtual void removeEventHandler(const std::string& name, const JSObjectPtr& handler);
  virtual void addEventSink(const JSObjectPtr& sink);
  virtual void removeEventSink(const JSObjectPtr& sink);

  virtual std::vector<std::string> memberNames() const;
  virtual void collectMemberNames(std::vector<std::string>& names) const = 0;
  virtual std::vector<std::wstring> memberNamesWide() const;
  virtual void collectMemberNames(std::vector<std::wstring>& names) const;
  virtual std::size_t memberCount() const = 0;

  virtual bool hasMethodNamed(const std::string& name) const = 0;
  virtual bool hasMethodNamed(const std::wstring& name) const;
  virtual bool hasCallableMember(const std::string& name) const;
  virtual bool hasCallableMember(const std::wstring& name) const;
  virtual bool hasPropertyAt(std::size_t index) const = 0;
  virtual bool hasPropertyNamed(const std::string& name) const = 0;
  virtual bool hasPropertyNamed(const std::wstring& name) const;
  virtual JSAPIPtr methodObject(const std::string& name);
  virtual JSAPIPtr methodObject(const std::wstring& name);

  virtual variant readPropertyAt(std::size_t index) = 0;
  virtual variant readProperty(const std::string& name) = 0;
  virtual variant readProperty(const std::wstring& name);
  virtual void writePropertyAt(std::size_t index, const variant& value) = 0;
  virtual void writeProperty(const std::string& name, const variant& value) = 0;
  virtual void writeProperty(const std::wstring& name, const variant& value);
  virtual void deletePropertyAt(std::size_t index) = 0;
  virtual void deleteProperty(const std::string& name) = 0;
  virtual void deleteProperty(const std::wstring& name);
  virtual variant callMethod(const std::string& name, const VariantVector& args) = 0;
  virtual variant callMethod(const std::wstring& name, const VariantVector& args);
  virtual variant constructNew(const VariantVector& args) = 0;
};

// Holds a zone for the life of a scope: enterZone on construction, leaveZone
// on destruction, also when the scope ends with an exception.
class scoped_zonelock {
 public:
  scoped_zonelock(JSAPI& object, int zone) : object_(object) { object_.enterZone(zone); }
  ~scoped_zonelock() { object_.leaveZone(); }
  scoped_zonelock(const scoped_zonelock&) = delete;
  scoped_zonelock& operator=(const scoped_zonelock&) = delete;

 private:
  JSAPI& object_;
};

}  // namespace FB
