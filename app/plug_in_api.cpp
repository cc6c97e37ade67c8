#include "app/plug_in_api.h"

#include <cstdlib>
#include <string_view>

#include "app/console_log.h"
#include "app/trusted_site.h"
#include "runtime/dom/window.h"

namespace {

int g_nextObjectId = 0;

// Members every page may use: the built-in ones and "version".
bool isOpenToEveryPage(const std::string& member) {
  return std::string_view(member) == "toString" || std::string_view(member) == "getAttribute" || std::string_view(member) == "setAttribute" || std::string_view(member) == "value" ||
         std::string_view(member) == "valid" || std::string_view(member) == "version";
}

}  // namespace

PlugInAPI::PlugInAPI(const FB::BrowserHostPtr& host)
    : host_(host), objectId_(g_nextObjectId++), console_(host) {
  addProperty("loggingLevel", FB::makeProperty(this, &PlugInAPI::get_loggingLevel, &PlugInAPI::set_loggingLevel));
  addMethod("showOpenDialog", FB::makeMethod(this, &PlugInAPI::showOpenDialog));
  addMethod("showSaveDialog", FB::makeMethod(this, &PlugInAPI::showSaveDialog));
  addMethod("showSelectFolderDialog", FB::makeMethod(this, &PlugInAPI::showSelectFolderDialog));
  addMethod("showSelectFolderDialogWithTitle", FB::makeMethod(this, &PlugInAPI::showSelectFolderDialogWithTitle));
  addMethod("createFileInFolder", FB::makeMethod(this, &PlugInAPI::createFileInFolder));
  addMethod("saveStreamToFile", FB::makeMethod(this, &PlugInAPI::saveStreamToFile));
  addMethod("registerWriteHandler", FB::makeMethod(this, &PlugInAPI::registerWriteHandler));
  addMethod("registerQueryHandler", FB::makeMethod(this, &PlugInAPI::registerQueryHandler));
  addMethod("unregisterWriteHandler", FB::makeMethod(this, &PlugInAPI::unregisterWriteHandler));
  addMethod("unregisterQueryHandler", FB::makeMethod(this, &PlugInAPI::unregisterQueryHandler));
  addMethod("crash", FB::makeMethod(this, &PlugInAPI::crash));
  addMethod("acquireRecoveryFile", FB::makeMethod(this, &PlugInAPI::acquireRecoveryFile));
  addMethod("releaseRecoveryFile", FB::makeMethod(this, &PlugInAPI::releaseRecoveryFile));
  addMethod("fileFromPermanentHandle", FB::makeMethod(this, &PlugInAPI::fileFromPermanentHandle));
}

PlugInAPI::~PlugInAPI() = default;

void PlugInAPI::checkTrusted(const std::string& member) {
  if (isOpenToEveryPage(member)) return;
  if (!trusted_) {
    bool trusted = false;
    try {
      if (auto window = host_ ? host_->wrapWindow(host_->windowObject()) : nullptr) {
        trusted = Norvell::isTrustedPageUrl(window->location());
      }
    } catch (const std::exception&) {
      trusted = false;  // a page whose address cannot be read is not trusted
    }
    trusted_ = trusted;
  }
  if (!*trusted_) throw FB::script_error(Norvell::kUntrustedSiteMessage);
}

FB::variant PlugInAPI::callMethod(const std::string& name, const FB::VariantVector& args) {
  checkTrusted(name);
  return FB::JSAPIAuto::callMethod(name, args);
}

FB::JSAPIPtr PlugInAPI::methodObject(const std::string& name) {
  checkTrusted(name);
  return FB::JSAPIAuto::methodObject(name);
}

FB::variant PlugInAPI::readProperty(const std::string& name) {
  checkTrusted(name);
  return FB::JSAPIAuto::readProperty(name);
}

void PlugInAPI::writeProperty(const std::string& name, const FB::variant& value) {
  checkTrusted(name);
  FB::JSAPIAuto::writeProperty(name, value);
}

int PlugInAPI::get_loggingLevel() {
  trace("get_loggingLevel");
  return Norvell::loggingLevel();
}

void PlugInAPI::set_loggingLevel(int level) {
  trace("set_loggingLevel");  // judged by the level in force before the change
  Norvell::setLoggingLevel(level);
}

void PlugInAPI::crash(const std::string& code) {
  if (code != "MarbleCanyon") return;
  // Ends the process as a real crash would, so that pages can exercise their
  // recovery path.
  std::abort();
}
