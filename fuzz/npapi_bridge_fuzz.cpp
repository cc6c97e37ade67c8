// Any bytes as a page script acting on the plug-in through NPAPI: the bytes
// are read as a sequence of operations (has/get/set/remove/invoke/enumerate
// on the plug-in's objects and on page objects, with arguments of every
// value type: numbers, text, nested page arrays and objects, page functions
// that call back into the plug-in) driven through the fake NPAPI browser
// into the module's own entry points, one instance per input.
//
// Properties: the browser's allocator and object table are never misused
// and nothing the plug-in gave the browser outlives the instance; no call
// comes from another thread; on a page outside the trusted sites every
// member but the open ones fails with the untrusted-site message and no file
// appears.
//
// The plug-in can name any path on the machine; here every file object is
// made to name a file in a private sandbox (the harness rewrites the text
// given to the members that make file objects), dialogs answer "cancelled"
// and secondary modules never load (the fake platform).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/base64.h"
#include "app/trusted_site.h"
#include "fuzz/fuzz_support.h"
#include "module/module_entry.h"
#include "platform/fake_platform.h"
#include "testing/fake_npapi_browser.h"

namespace fs = std::filesystem;
using FB::testing::FakeNpapiBrowser;
using FB::testing::NpValue;
using FB::testing::NpValues;
using nzfuzz::require;

namespace {

fs::path sandbox;
FB::FakePlatform* platform = nullptr;

const char* const kNames[] = {
    // the root object
    "loggingLevel", "showOpenDialog", "showSaveDialog", "showSelectFolderDialog", "showSelectFolderDialogWithTitle",
    "createFileInFolder", "saveStreamToFile", "registerWriteHandler", "registerQueryHandler",
    "unregisterWriteHandler", "unregisterQueryHandler", "acquireRecoveryFile", "releaseRecoveryFile",
    "fileFromPermanentHandle", "updatePlugin", "registerPlugin", "unregisterPlugin", "initialize", "unInitialize",
    "getLastException", "addEventListener", "removeEventListener", "attachEvent", "detachEvent",
    // every scriptable object
    "toString", "getAttribute", "setAttribute", "value", "valid", "version",
    // file objects
    "name", "extension", "fileExists", "permanentHandle", "type", "lastModifiedDate", "contentsAsTextStream",
    "contentsAsBinaryStream",
    // page objects and oddities
    "length", "push", "0", "1", "", "constructor", "__proto__", "prototype", "onload", "log"};
constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

// Members a page outside the trusted sites may still use.
bool openToEveryPage(const std::string& name) {
  return name == "toString" || name == "getAttribute" || name == "setAttribute" || name == "value" ||
         name == "valid" || name == "version";
}

bool isRootMember(const std::string& name) {
  const auto last = std::find(kNames, kNames + kNameCount, std::string("getLastException"));
  return std::find(kNames, last, name) != last;
}

// Reads the input front to back; past its end every read gives zero.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t u32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | byte();
    return value;
  }
  std::string text() {
    const std::size_t length = std::min<std::size_t>(byte() % 48, size_ - std::min(at_, size_));
    std::string out(reinterpret_cast<const char*>(data_ + at_), length);
    at_ += length;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// One file name inside the sandbox: no separators, never "." or "..".
std::string safeName(std::string text) {
  for (char& c : text) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  if (text.empty() || text == "." || text == "..") text = "f" + text;
  return text;
}

std::string sandboxHandle(const std::string& name) {
  const std::string path = (sandbox / safeName(name)).string();
  return Norvell::base64Encode(reinterpret_cast<const unsigned char*>(path.data()), path.size());
}

class Session {
 public:
  Session(FakeNpapiBrowser& browser, NPObject* root, Input& input) : browser_(browser), input_(input) {
    root_ = NpValue::adopt(root);
    registers_[0] = root_;
    registers_[1] = NpValue::object(browser_.window());
  }

  void run() {
    for (int step = 0; step < 64 && !input_.done(); ++step) operation();
  }

  void clear() {
    for (auto& value : registers_) value = NpValue();
    root_ = NpValue();
  }

  bool untrustedRefusals() const { return untrustedRefusals_; }

 private:
  static constexpr std::size_t kRegisters = 8;

  NpValue& reg() { return registers_[input_.byte() % kRegisters]; }

  std::string name() {
    const std::uint8_t choice = input_.byte();
    if (choice < kNameCount * 4) return kNames[choice % kNameCount];
    return input_.text();
  }

  NpValue value(int depth = 0) {
    switch (input_.byte() % 11) {
      case 0: return NpValue();
      case 1: return NpValue::null();
      case 2: return NpValue(input_.byte() % 2 == 1);
      case 3: return NpValue(static_cast<int>(input_.u32()));
      case 4: {
        double number;
        const std::uint64_t bits = std::uint64_t{input_.u32()} << 32 | input_.u32();
        std::memcpy(&number, &bits, sizeof number);
        return NpValue(number);
      }
      case 5: return NpValue(input_.text());
      case 6: return reg();
      case 7: {  // a page array, possibly nested deep
        NpValues items;
        const int count = depth < 40 ? input_.byte() % 4 : 0;
        for (int i = 0; i < count; ++i) items.push_back(value(depth + 1));
        return browser_.newArray(items);
      }
      case 8: {  // a page object with a few properties
        NpValue object = browser_.newObject();
        const int count = depth < 40 ? input_.byte() % 4 : 0;
        for (int i = 0; i < count; ++i) browser_.set(object.objectValue(), name(), value(depth + 1));
        return object;
      }
      case 9: {  // a page function answering a value
        NpValue answer = depth < 40 ? value(depth + 1) : NpValue();
        return browser_.newFunction([answer](const NpValues&) { return answer; });
      }
      default: {  // a page function that calls back into the plug-in
        NpValue root = root_;
        const std::string member = kNames[input_.byte() % kNameCount];
        return browser_.newFunction([this, root, member](const NpValues& args) {
          NpValue result;
          if (root.isObject() && reentries_ < 16) {
            ++reentries_;
            browser_.invoke(root.objectValue(), member, args, result);
            --reentries_;
          }
          return result;
        });
      }
    }
  }

  // Text given to the members that make file objects names a file in the
  // sandbox, so that whatever the input says, reads and writes stay there.
  void confine(const std::string& member, NpValues& args) {
    if (member == "fileFromPermanentHandle") {
      for (auto& arg : args) arg = NpValue(sandboxHandle(arg.type() == NPVariantType_String ? arg.stringValue() : ""));
    } else if (member == "createFileInFolder" || member == "acquireRecoveryFile") {
      for (std::size_t i = member == "createFileInFolder" ? 1 : 0; i < args.size(); ++i) {
        args[i] = NpValue(safeName(args[i].type() == NPVariantType_String ? args[i].stringValue() : ""));
      }
    }
  }

  void invoke(NPObject* object, const std::string& member, NpValue& into) {
    if (member == "crash") return;  // ends the process on purpose
    NpValues args;
    const int count = input_.byte() % 5;
    for (int i = 0; i < count; ++i) args.push_back(value());
    confine(member, args);
    const std::size_t errorsBefore = browser_.exceptions().size();
    NpValue result;
    const bool done = browser_.invoke(object, member, args, result);
    if (object == root_.objectValue() && !trusted_ && isRootMember(member) && !openToEveryPage(member)) {
      require(!done, "an untrusted page cannot call a restricted member");
      const auto errors = browser_.exceptions();
      require(errors.size() > errorsBefore && errors.back().find(Norvell::kUntrustedSiteMessage) != std::string::npos,
              "an untrusted page hears why the call failed");
      untrustedRefusals_ = true;
    }
    into = result;
  }

  void operation() {
    const std::uint8_t op = input_.byte() % 10;
    NpValue target = reg();
    if (op == 8) {
      reg() = value();
      return;
    }
    if (op == 9) {
      browser_.pump();
      browser_.runTimers();
      return;
    }
    if (!target.isObject()) return;
    NPObject* object = target.objectValue();
    const std::string member = name();
    switch (op) {
      case 0: browser_.get(object, member, reg()); break;
      case 1: browser_.set(object, member, value()); break;
      case 2: invoke(object, member, reg()); break;
      case 3: {
        NpValue result;
        browser_.invokeDefault(object, {value()}, result);
        reg() = result;
        break;
      }
      case 4:
        browser_.hasMethod(object, member);
        browser_.hasProperty(object, member);
        break;
      case 5: {
        std::vector<std::string> names;
        browser_.enumerate(object, names);
        break;
      }
      case 6: browser_.remove(object, member); break;
      default: {
        NpValue result;
        browser_.getAt(object, static_cast<int32_t>(input_.byte()) - 8, result);
        reg() = result;
        break;
      }
    }
  }

 public:
  bool trusted_ = true;

 private:
  FakeNpapiBrowser& browser_;
  Input& input_;
  NpValue root_;
  NpValue registers_[kRegisters];
  int reentries_ = 0;
  bool untrustedRefusals_ = false;
};

bool sandboxIsEmpty() {
  return fs::is_empty(sandbox);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sandbox = nzfuzz::processFolder("nz_bridge_fuzz_");
  static FB::FakePlatform fake;
  fake.setTemporaryFolder((sandbox / "work").wstring() + L"/");
  fake.setLocalAppDataFolder((sandbox / "local").wstring());
  fake.setModulePath((sandbox / "npNorvellZephel32.so").string());
  platform = &fake;
  FB::Platform::setInstanceForTesting(platform);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Input input(data, size);
  const bool trusted = input.byte() % 4 != 0;
  const std::uint16_t version = input.byte() % 2 ? 26 : 18;
  {
    FakeNpapiBrowser browser(version, FakeNpapiBrowser::kDefaultUserAgent,
                             trusted ? FakeNpapiBrowser::kDefaultPageUrl : "https://pages.example.org/app/");
    NPPluginFuncs plugin{};
    plugin.size = sizeof(plugin);
    require(nz_module_test::startModule(browser.funcs(), &plugin) == NPERR_NO_ERROR, "the module starts");
    char mime[] = "application/x-norvellzephel32";
    require(plugin.newp(mime, browser.instance(), NP_EMBED, 0, nullptr, nullptr, nullptr) == NPERR_NO_ERROR,
            "an instance starts");
    NPObject* root = nullptr;
    require(plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &root) == NPERR_NO_ERROR && root,
            "the instance has a root object");
    {
      Session session(browser, root, input);
      session.trusted_ = trusted;
      session.run();
      session.clear();
      if (!trusted) require(sandboxIsEmpty(), "an untrusted page writes nothing");
    }
    browser.pump();
    require(plugin.destroy(browser.instance(), nullptr) == NPERR_NO_ERROR, "the instance goes away");
    browser.pump();
    require(nz_module_test::stopModule() == NPERR_NO_ERROR, "the module stops");
    require(browser.badFrees() == 0, "the plug-in frees only what the browser allocated, once");
    require(browser.offThreadCalls() == 0, "the plug-in calls the browser on its main thread only");
    require(browser.outstandingAllocations() == 0, "nothing the plug-in was given or gave is left allocated");
  }
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(sandbox, ignored)) fs::remove_all(item.path(), ignored);
  return 0;
}
