// NpapiBrowserHost's NPN_* wrappers: each calls the browser's entry when the
// table holds one and answers a neutral value otherwise.
#include <cstring>

#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_plugin_module.h"

namespace FB::Npapi {

// Object lifetime, identifiers and memory go through the module's table
// while the module lives: they stay usable after this host shut down, so
// browser objects dropped late are still released.
const NPNetscapeFuncs& NpapiBrowserHost::lifetimeFuncs() const {
  if (module_ && NpapiPluginModule::isCurrent(module_)) return module_->browserFuncs();
  return funcs_;
}

NPError NpapiBrowserHost::GetURL(const char* url, const char* target) const {
  return funcs_.geturl ? funcs_.geturl(instance_, url, target) : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::GetURLNotify(const char* url, const char* target, void* notifyData) const {
  return funcs_.geturlnotify ? funcs_.geturlnotify(instance_, url, target, notifyData) : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::PostURL(const char* url, const char* target, uint32_t len, const char* buf,
                                  bool file) const {
  return funcs_.posturl ? funcs_.posturl(instance_, url, target, len, buf, file) : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::PostURLNotify(const char* url, const char* target, uint32_t len, const char* buf, bool file,
                                        void* notifyData) const {
  return funcs_.posturlnotify ? funcs_.posturlnotify(instance_, url, target, len, buf, file, notifyData)
                              : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::RequestRead(NPStream* stream, NPByteRange* rangeList) const {
  return funcs_.requestread ? funcs_.requestread(stream, rangeList) : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::NewStream(NPMIMEType type, const char* target, NPStream** stream) const {
  return funcs_.newstream ? funcs_.newstream(instance_, type, target, stream) : NPERR_GENERIC_ERROR;
}

int32_t NpapiBrowserHost::Write(NPStream* stream, int32_t len, void* buffer) const {
  return funcs_.write ? funcs_.write(instance_, stream, len, buffer) : -1;
}

NPError NpapiBrowserHost::DestroyStream(NPStream* stream, NPReason reason) const {
  return funcs_.destroystream ? funcs_.destroystream(instance_, stream, reason) : NPERR_GENERIC_ERROR;
}

void NpapiBrowserHost::Status(const char* message) const {
  if (funcs_.status) funcs_.status(instance_, message);
}

const char* NpapiBrowserHost::UserAgent() const { return funcs_.uagent ? funcs_.uagent(instance_) : nullptr; }

void* NpapiBrowserHost::MemAlloc(uint32_t size) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  return funcs.memalloc ? funcs.memalloc(size) : nullptr;
}

void NpapiBrowserHost::MemFree(void* ptr) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  if (funcs.memfree && ptr) funcs.memfree(ptr);
}

NPError NpapiBrowserHost::GetValue(NPNVariable variable, void* value) const {
  return funcs_.getvalue ? funcs_.getvalue(instance_, variable, value) : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::SetValue(NPPVariable variable, void* value) const {
  return funcs_.setvalue ? funcs_.setvalue(instance_, variable, value) : NPERR_GENERIC_ERROR;
}

void NpapiBrowserHost::InvalidateRect(NPRect* rect) const {
  if (funcs_.invalidaterect) funcs_.invalidaterect(instance_, rect);
}

void NpapiBrowserHost::ForceRedraw() const {
  if (funcs_.forceredraw) funcs_.forceredraw(instance_);
}

NPIdentifier NpapiBrowserHost::GetStringIdentifier(const char* name) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  return funcs.getstringidentifier ? funcs.getstringidentifier(name) : nullptr;
}

NPIdentifier NpapiBrowserHost::GetIntIdentifier(int32_t value) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  return funcs.getintidentifier ? funcs.getintidentifier(value) : nullptr;
}

bool NpapiBrowserHost::IdentifierIsString(NPIdentifier identifier) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  return funcs.identifierisstring ? funcs.identifierisstring(identifier) : true;
}

std::string NpapiBrowserHost::StringFromIdentifier(NPIdentifier identifier) const {
  if (const std::string* cached = cachedIdentifierName(identifier)) return *cached;
  return readIdentifierName(identifier);
}

const std::string* NpapiBrowserHost::cachedIdentifierName(NPIdentifier identifier) const {
  if (!isMainThread()) return nullptr;
  auto known = identifierNames_.find(identifier);
  if (known != identifierNames_.end()) return &known->second;
  std::string name = readIdentifierName(identifier);
  // Names that could not be read are not cached: a later call may succeed.
  if (name.empty()) {
    static const std::string nothing;
    return &nothing;
  }
  return &identifierNames_.emplace(identifier, std::move(name)).first->second;
}

std::string NpapiBrowserHost::readIdentifierName(NPIdentifier identifier) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  if (!funcs.utf8fromidentifier) return std::string();
  NPUTF8* name = funcs.utf8fromidentifier(identifier);
  if (!name) return std::string();
  std::string copy(name);
  MemFree(name);
  return copy;
}

int32_t NpapiBrowserHost::IntFromIdentifier(NPIdentifier identifier) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  return funcs.intfromidentifier ? funcs.intfromidentifier(identifier) : 0;
}

NPObject* NpapiBrowserHost::CreateObject(NPClass* aClass) const {
  return funcs_.createobject ? funcs_.createobject(instance_, aClass) : nullptr;
}

NPObject* NpapiBrowserHost::RetainObject(NPObject* object) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  return funcs.retainobject && object ? funcs.retainobject(object) : object;
}

void NpapiBrowserHost::ReleaseObject(NPObject* object) const {
  const NPNetscapeFuncs& funcs = lifetimeFuncs();
  if (funcs.releaseobject && object) funcs.releaseobject(object);
}

bool NpapiBrowserHost::Invoke(NPObject* object, NPIdentifier method, const NPVariant* args, uint32_t count,
                              NPVariant* result) const {
  return funcs_.invoke ? funcs_.invoke(instance_, object, method, args, count, result) : false;
}

bool NpapiBrowserHost::InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count,
                                     NPVariant* result) const {
  return funcs_.invokeDefault ? funcs_.invokeDefault(instance_, object, args, count, result) : false;
}

bool NpapiBrowserHost::Evaluate(NPObject* object, NPString* script, NPVariant* result) const {
  return funcs_.evaluate ? funcs_.evaluate(instance_, object, script, result) : false;
}

bool NpapiBrowserHost::GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) const {
  return funcs_.getproperty ? funcs_.getproperty(instance_, object, name, result) : false;
}

bool NpapiBrowserHost::SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) const {
  return funcs_.setproperty ? funcs_.setproperty(instance_, object, name, value) : false;
}

bool NpapiBrowserHost::RemoveProperty(NPObject* object, NPIdentifier name) const {
  return funcs_.removeproperty ? funcs_.removeproperty(instance_, object, name) : false;
}

bool NpapiBrowserHost::HasProperty(NPObject* object, NPIdentifier name) const {
  return funcs_.hasproperty ? funcs_.hasproperty(instance_, object, name) : false;
}

bool NpapiBrowserHost::HasMethod(NPObject* object, NPIdentifier name) const {
  return funcs_.hasmethod ? funcs_.hasmethod(instance_, object, name) : false;
}

bool NpapiBrowserHost::Enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) const {
  return funcs_.enumerate ? funcs_.enumerate(instance_, object, identifiers, count) : false;
}

bool NpapiBrowserHost::Construct(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) const {
  return funcs_.construct ? funcs_.construct(instance_, object, args, count, result) : false;
}

void NpapiBrowserHost::ReleaseVariantValue(NPVariant* value) const {
  if (funcs_.releasevariantvalue && value) funcs_.releasevariantvalue(value);
}

void NpapiBrowserHost::SetException(NPObject* object, const std::string& message) const {
  if (funcs_.setexception) funcs_.setexception(object, message.c_str());
}

void NpapiBrowserHost::PushPopupsEnabledState(bool enabled) const {
  if (funcs_.pushpopupsenabledstate) funcs_.pushpopupsenabledstate(instance_, enabled ? 1 : 0);
}

void NpapiBrowserHost::PopPopupsEnabledState() const {
  if (funcs_.poppopupsenabledstate) funcs_.poppopupsenabledstate(instance_);
}

NPError NpapiBrowserHost::GetValueForURL(NPNURLVariable variable, const char* url, char** value,
                                         uint32_t* len) const {
  return funcs_.getvalueforurl ? funcs_.getvalueforurl(instance_, variable, url, value, len)
                               : NPERR_INCOMPATIBLE_VERSION_ERROR;
}

bool NpapiBrowserHost::PluginThreadAsyncCall(void (*function)(void*), void* data) const {
  if (!funcs_.pluginthreadasynccall) return false;
  funcs_.pluginthreadasynccall(instance_, function, data);
  return true;
}

}  // namespace FB::Npapi
