// The NPP_* functions: fixed answers for invalid and half-torn-down
// instances, instance creation (parameters, refusals), value queries and
// destruction, against the fake NPAPI browser.
#include "npapi/npp_functions.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_instance_holder.h"
#include "npapi/npapi_plugin.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npapi_test_support.h"
#include "npapi/plugin_create_error.h"
#include "platform/platform.h"
#include "runtime/plugin_description.h"
#include "testing/fake_npapi_browser.h"

namespace FB::Npapi {
namespace {

char kType[] = "application/x-norvellzephel32";

// Every entry on the path where the instance is unknown or gone.
void expectInvalidInstanceAnswers(NPP instance) {
  NPStream stream{};
  uint16_t stype = 77;
  char buffer[4] = {};
  EXPECT_EQ(NPP_Destroy(instance, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_SetWindow(instance, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_NewStream(instance, kType, &stream, 0, &stype), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(stype, 77);
  EXPECT_EQ(NPP_DestroyStream(instance, &stream, NPRES_DONE), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(NPP_WriteReady(instance, &stream), 2);
  EXPECT_EQ(NPP_Write(instance, &stream, 0, 4, buffer), 2);
  NPP_StreamAsFile(instance, &stream, "/tmp/file");
  NPP_URLNotify(instance, "http://host/", NPRES_DONE, nullptr);
  NPP_Print(instance, nullptr);
  EXPECT_EQ(NPP_HandleEvent(instance, nullptr), 0);
  EXPECT_EQ(NPP_SetValue(instance, NPNVprivateModeBool, nullptr), NPERR_INVALID_INSTANCE_ERROR);

  const char* text = nullptr;
  EXPECT_EQ(NPP_GetValue(instance, NPPVpluginNameString, &text), NPERR_NO_ERROR);
  EXPECT_STREQ(text, "Norvell Zephel 32 Bit");
  EXPECT_EQ(NPP_GetValue(instance, NPPVpluginDescriptionString, &text), NPERR_NO_ERROR);
  EXPECT_STREQ(text, "");  // the description of the empty MIME type
  void* untouched = &stream;
  EXPECT_EQ(NPP_GetValue(instance, NPPVpluginScriptableNPObject, &untouched), NPERR_GENERIC_ERROR);
  EXPECT_EQ(untouched, &stream);
}

TEST(NppWithoutInstance, AnswersTheFixedValues) {
  NPP_t noData{};
  expectInvalidInstanceAnswers(nullptr);
  expectInvalidInstanceAnswers(&noData);
  EXPECT_EQ(NPP_New(kType, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
}

TEST(NppWithoutBindingObject, AnswersTheHalfTornDownValuesAndDestroyStillDeletesTheHolder) {
  NPP_t instance{};
  instance.pdata = new NpapiInstanceHolder(nullptr, nullptr);
  NPStream stream{};
  uint16_t stype = 77;
  char buffer[4] = {};
  EXPECT_EQ(NPP_SetWindow(&instance, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(NPP_NewStream(&instance, kType, &stream, 0, &stype), NPERR_GENERIC_ERROR);
  EXPECT_EQ(NPP_DestroyStream(&instance, &stream, NPRES_DONE), NPERR_GENERIC_ERROR);
  EXPECT_EQ(NPP_WriteReady(&instance, &stream), 1);
  EXPECT_EQ(NPP_Write(&instance, &stream, 0, 4, buffer), 1);
  NPP_StreamAsFile(&instance, &stream, "/tmp/file");
  NPP_URLNotify(&instance, "http://host/", NPRES_DONE, nullptr);
  NPP_Print(&instance, nullptr);
  EXPECT_EQ(NPP_HandleEvent(&instance, nullptr), 0);
  EXPECT_EQ(NPP_SetValue(&instance, NPNVprivateModeBool, nullptr), NPERR_GENERIC_ERROR);
  void* untouched = &stream;
  EXPECT_EQ(NPP_GetValue(&instance, NPPVpluginNameString, &untouched), NPERR_NO_ERROR);
  EXPECT_EQ(untouched, &stream);

  EXPECT_EQ(NPP_Destroy(&instance, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(instance.pdata, nullptr);
}

TEST(PluginFuncs, FillsTheThirteenInstanceEntriesAndNothingElse) {
  NPPluginFuncs funcs{};
  funcs.size = 123;
  funcs.version = 45;
  funcs.gotfocus = [](NPP, NPFocusDirection) -> NPBool { return 1; };
  const auto gotfocus = funcs.gotfocus;
  fillPluginFuncs(&funcs);
  EXPECT_EQ(funcs.newp, &NPP_New);
  EXPECT_EQ(funcs.destroy, &NPP_Destroy);
  EXPECT_EQ(funcs.setwindow, &NPP_SetWindow);
  EXPECT_EQ(funcs.newstream, &NPP_NewStream);
  EXPECT_EQ(funcs.destroystream, &NPP_DestroyStream);
  EXPECT_EQ(funcs.asfile, &NPP_StreamAsFile);
  EXPECT_EQ(funcs.writeready, &NPP_WriteReady);
  EXPECT_EQ(funcs.write, &NPP_Write);
  EXPECT_EQ(funcs.print, &NPP_Print);
  EXPECT_EQ(funcs.event, &NPP_HandleEvent);
  EXPECT_EQ(funcs.urlnotify, &NPP_URLNotify);
  EXPECT_EQ(funcs.getvalue, &NPP_GetValue);
  EXPECT_EQ(funcs.setvalue, &NPP_SetValue);
  EXPECT_EQ(funcs.size, 123);
  EXPECT_EQ(funcs.version, 45);
  EXPECT_EQ(funcs.gotfocus, gotfocus);
  EXPECT_EQ(funcs.javaClass, nullptr);
  EXPECT_EQ(funcs.lostfocus, nullptr);
  EXPECT_EQ(funcs.didComposite, nullptr);
}

class NppInstance : public ::testing::Test {
 protected:
  void SetUp() override {
    NpapiPluginModule::resetHostKindForTesting();
    module_ = NpapiPluginModule::acquire();
    module_->setBrowserFuncs(*browser_.funcs());
  }
  void TearDown() override {
    if (instance()->pdata) NPP_Destroy(instance(), nullptr);
    setBindingMakerForTesting(nullptr);
    module_.reset();
    NpapiPluginModule::release();
  }

  NPP instance() { return browser_.instance(); }
  NPError create(std::vector<std::pair<const char*, const char*>> pairs = {}) {
    std::vector<char*> names, values;
    for (auto& [name, value] : pairs) {
      names.push_back(const_cast<char*>(name));
      values.push_back(const_cast<char*>(value));
    }
    return NPP_New(kType, instance(), NP_EMBED, static_cast<int16_t>(pairs.size()), names.data(),
                   values.data(), nullptr);
  }
  NpapiInstanceHolder* holder() { return NpapiInstanceHolder::of(instance()); }

  FB::testing::FakeNpapiBrowser browser_;
  NpapiPluginModulePtr module_;
};

TEST_F(NppInstance, NewPassesParametersWithValuesDeclaresWindowlessAndSignalsReady) {
  ASSERT_EQ(create({{"id", "plugin"}, {"color", "red"}, {"skipped", nullptr}, {"color", "blue"}}),
            NPERR_NO_ERROR);
  ASSERT_NE(holder(), nullptr);
  const auto& core = testFactory().lastCore;
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(holder()->plugin()->core(), core);
  EXPECT_EQ(core->host(), holder()->host());
  const VariantStringMap& params = core->params();
  EXPECT_EQ(params.size(), 2u);
  EXPECT_EQ(params.at("id").convertTo<std::string>(), "plugin");
  EXPECT_EQ(params.at("color").convertTo<std::string>(), "blue");
  EXPECT_EQ(params.count("skipped"), 0u);
  EXPECT_EQ(core->readyCalls, 1);
  EXPECT_EQ(core->getModulePath(), Platform::instance().modulePath());
  EXPECT_EQ(platformBindingName(), "NPAPI");
#ifdef _WIN32
  EXPECT_EQ(platformOsName(), "Windows");
#else
  EXPECT_EQ(platformOsName(), "Linux");
#endif

  std::vector<std::string> setValues;
  for (const auto& call : browser_.calls()) {
    if (call.rfind("SetValue ", 0) == 0) setValues.push_back(call);
  }
  EXPECT_EQ(setValues, (std::vector<std::string>{"SetValue 3 0", "SetValue 4 1"}));
}

// A binding whose set-up fails after the instance holder is stored.
class FailingInit : public NpapiPlugin {
 public:
  using NpapiPlugin::NpapiPlugin;
  void init(NPMIMEType, int16_t, char*[], char*[]) override { throw std::runtime_error("init failed"); }
};

TEST_F(NppInstance, RefusalsOfTheBindingMapToNpapiErrorsAndLeaveTheInstanceInvalid) {
  struct Case {
    std::function<NpapiPluginPtr(const NpapiBrowserHostPtr&)> maker;
    NPError answer;
    std::string output;
  };
  const std::vector<Case> cases = {
      {[](const NpapiBrowserHostPtr&) -> NpapiPluginPtr { return nullptr; }, NPERR_OUT_OF_MEMORY_ERROR, ""},
      {[](const NpapiBrowserHostPtr&) -> NpapiPluginPtr { throw PluginCreateError("too old"); },
       NPERR_INCOMPATIBLE_VERSION_ERROR, "too old\n"},
      {[](const NpapiBrowserHostPtr&) -> NpapiPluginPtr { throw std::bad_alloc(); }, NPERR_OUT_OF_MEMORY_ERROR,
       std::string(std::bad_alloc().what()) + "\n"},
      {[](const NpapiBrowserHostPtr&) -> NpapiPluginPtr { throw std::runtime_error("broken"); },
       NPERR_GENERIC_ERROR, "broken\n"},
      {[](const NpapiBrowserHostPtr& host) -> NpapiPluginPtr { return std::make_shared<FailingInit>(host, kType); },
       NPERR_GENERIC_ERROR, "init failed\n"},
  };
  // The host took the page's window, element and document before the
  // refusal; it is shut down and gives them back.
  NPObject* const page[] = {browser_.window(), browser_.element(), browser_.document()};
  std::vector<uint32_t> references;
  for (NPObject* object : page) references.push_back(browser_.referenceCount(object));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    std::weak_ptr<NpapiBrowserHost> madeHost;
    setBindingMakerForTesting([&](const NpapiBrowserHostPtr& host, const std::string&) {
      madeHost = host;
      EXPECT_NE(host->windowObject(), nullptr);
      return c.maker(host);
    });
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(create(), c.answer);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(instance()->pdata, nullptr);
    EXPECT_EQ(NPP_SetValue(instance(), NPNVprivateModeBool, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    const NpapiBrowserHostPtr left = madeHost.lock();  // the test factory may keep the core, and so the host
    EXPECT_TRUE(!left || left->isShutDown());
    for (std::size_t i = 0; i < std::size(page); ++i) EXPECT_EQ(browser_.referenceCount(page[i]), references[i]);
  }
}

TEST_F(NppInstance, GetValueAnswersTextsAndTheSameScriptableObjectWithAReferenceEachTime) {
  ASSERT_EQ(create(), NPERR_NO_ERROR);
  const char* text = nullptr;
  EXPECT_EQ(NPP_GetValue(instance(), NPPVpluginNameString, &text), NPERR_NO_ERROR);
  EXPECT_STREQ(text, "Norvell Zephel 32 Bit");
  EXPECT_EQ(NPP_GetValue(instance(), NPPVpluginDescriptionString, &text), NPERR_NO_ERROR);
  EXPECT_STREQ(text, "Norvell Zephel - 1.0.7");

  NPObject* first = nullptr;
  NPObject* second = nullptr;
  ASSERT_EQ(NPP_GetValue(instance(), NPPVpluginScriptableNPObject, &first), NPERR_NO_ERROR);
  ASSERT_NE(first, nullptr);
  const uint32_t references = first->referenceCount;
  ASSERT_EQ(NPP_GetValue(instance(), NPPVpluginScriptableNPObject, &second), NPERR_NO_ERROR);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->referenceCount, references + 1);
  EXPECT_TRUE(browser_.hasMethod(first, "toString"));

  void* untouched = &text;
  EXPECT_EQ(NPP_GetValue(instance(), NPPVpluginNeedsXEmbed, &untouched), NPERR_GENERIC_ERROR);
  EXPECT_EQ(untouched, &text);
  EXPECT_EQ(NPP_SetValue(instance(), NPNVprivateModeBool, nullptr), NPERR_NO_ERROR);

  browser_.funcs()->releaseobject(first);
  browser_.funcs()->releaseobject(second);
}

TEST_F(NppInstance, DestroyShutsHostAndCoreDownAndDropsThePluginsObjectReference) {
  ASSERT_EQ(create(), NPERR_NO_ERROR);
  NPObject* object = nullptr;
  ASSERT_EQ(NPP_GetValue(instance(), NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
  const uint32_t references = object->referenceCount;
  const NpapiBrowserHostPtr host = holder()->host();
  const auto core = testFactory().lastCore;
  EXPECT_EQ(NPP_SetWindow(instance(), nullptr), NPERR_NO_ERROR);  // answered, not passed on

  EXPECT_EQ(NPP_Destroy(instance(), nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(instance()->pdata, nullptr);
  EXPECT_TRUE(host->isShutDown());
  EXPECT_EQ(core->detachCalls, 1);
  EXPECT_EQ(core->shutdownCalls, 1);
  EXPECT_EQ(object->referenceCount, references - 1);
  EXPECT_EQ(NPP_Destroy(instance(), nullptr), NPERR_INVALID_INSTANCE_ERROR);
  browser_.funcs()->releaseobject(object);
}

}  // namespace
}  // namespace FB::Npapi
