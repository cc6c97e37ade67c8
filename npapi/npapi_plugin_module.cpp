#include "npapi/npapi_plugin_module.h"

#include <cstring>
#include <map>
#include <optional>

#include "runtime/factory_base.h"

namespace FB::Npapi {
namespace {

// The registry holds modules by key; this system only ever uses the null
// key, so there is at most one module.
using ModuleKey = const void*;

struct Registry {
  std::map<ModuleKey, NpapiPluginModulePtr> modules;
  int count = 0;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

std::optional<HostKind>& chosenHostKind() {
  static std::optional<HostKind> kind;
  return kind;
}

}  // namespace

void copyBrowserFuncs(const NPNetscapeFuncs& from, NPNetscapeFuncs& to) {
  std::memset(&to, 0, sizeof to);
  to.size = from.size;
  to.version = from.version;
  to.geturl = from.geturl;
  to.posturl = from.posturl;
  to.requestread = from.requestread;
  to.newstream = from.newstream;
  to.write = from.write;
  to.destroystream = from.destroystream;
  to.status = from.status;
  to.uagent = from.uagent;
  to.memalloc = from.memalloc;
  to.memfree = from.memfree;
  to.memflush = from.memflush;
  to.reloadplugins = from.reloadplugins;
  to.geturlnotify = from.geturlnotify;
  to.posturlnotify = from.posturlnotify;
  to.getvalue = from.getvalue;
  to.setvalue = from.setvalue;
  to.invalidaterect = from.invalidaterect;
  to.invalidateregion = from.invalidateregion;
  to.forceredraw = from.forceredraw;
  to.getstringidentifier = from.getstringidentifier;
  to.getstringidentifiers = from.getstringidentifiers;
  to.getintidentifier = from.getintidentifier;
  to.identifierisstring = from.identifierisstring;
  to.utf8fromidentifier = from.utf8fromidentifier;
  to.intfromidentifier = from.intfromidentifier;
  to.createobject = from.createobject;
  to.retainobject = from.retainobject;
  to.releaseobject = from.releaseobject;
  to.invoke = from.invoke;
  to.invokeDefault = from.invokeDefault;
  to.evaluate = from.evaluate;
  to.getproperty = from.getproperty;
  to.setproperty = from.setproperty;
  to.removeproperty = from.removeproperty;
  to.hasproperty = from.hasproperty;
  to.hasmethod = from.hasmethod;
  to.releasevariantvalue = from.releasevariantvalue;
  to.setexception = from.setexception;
  to.construct = from.construct;
  if (from.version >= NPVERS_HAS_POPUPS_ENABLED_STATE) {
    to.pushpopupsenabledstate = from.pushpopupsenabledstate;
    to.poppopupsenabledstate = from.poppopupsenabledstate;
  }
  if (from.version >= NPVERS_HAS_NPOBJECT_ENUM) to.enumerate = from.enumerate;
  if (from.version >= NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL)
    to.pluginthreadasynccall = from.pluginthreadasynccall;
  if (from.version >= NPVERS_HAS_URL_AND_AUTH_INFO) {
    to.getvalueforurl = from.getvalueforurl;
    to.setvalueforurl = from.setvalueforurl;
    to.getauthenticationinfo = from.getauthenticationinfo;
  }
  // Timers came with version 23, which has no feature macro of its own.
  if (from.version >= 23) {
    to.scheduletimer = from.scheduletimer;
    to.unscheduletimer = from.unscheduletimer;
  }
}

HostKind hostKindFor(const char* userAgent, uint16_t tableVersion) {
  if (userAgent && std::strstr(userAgent, "Safari")) return HostKind::MessageWindow;
  if (tableVersion < NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL) return HostKind::MessageWindow;
  return HostKind::Plain;
}

NpapiPluginModule::NpapiPluginModule() : creatorThread_(std::this_thread::get_id()) {
  std::memset(&funcs_, 0, sizeof funcs_);
}

HostKind NpapiPluginModule::hostKind(NPP instance) {
  std::optional<HostKind>& kind = chosenHostKind();
  if (!kind) {
    if (!messageWindowHostAvailable()) {
      kind = HostKind::Plain;
    } else {
      const char* userAgent = funcs_.uagent ? funcs_.uagent(instance) : nullptr;
      kind = hostKindFor(userAgent, funcs_.version);
    }
  }
  if (*kind == HostKind::MessageWindow) funcs_.pluginthreadasynccall = nullptr;
  return *kind;
}

NpapiPluginModulePtr NpapiPluginModule::acquire() {
  Registry& r = registry();
  if (r.count == 0) factoryInstance()->globalInitialize();
  auto found = r.modules.find(nullptr);
  if (found != r.modules.end()) return found->second;
  auto module = std::make_shared<NpapiPluginModule>();
  r.modules[nullptr] = module;
  ++r.count;
  return module;
}

void NpapiPluginModule::release() {
  Registry& r = registry();
  auto found = r.modules.find(nullptr);
  if (found != r.modules.end()) {
    r.modules.erase(found);
    --r.count;
  }
  if (r.count == 0) factoryInstance()->globalDeinitialize();
}

NpapiPluginModulePtr NpapiPluginModule::current() {
  Registry& r = registry();
  auto found = r.modules.find(nullptr);
  return found == r.modules.end() ? nullptr : found->second;
}

bool NpapiPluginModule::isCurrent(const NpapiPluginModule* module) {
  const Registry& r = registry();
  if (r.modules.empty()) return false;
  auto found = r.modules.find(nullptr);
  return found != r.modules.end() && found->second.get() == module;
}

int NpapiPluginModule::liveCount() { return registry().count; }

void NpapiPluginModule::resetHostKindForTesting() { chosenHostKind().reset(); }

}  // namespace FB::Npapi
