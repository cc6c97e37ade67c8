#include "activex/dispatch_id_map.h"

#include <atomic>
#include <bit>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

struct FixedDispatchId {
  const char* name;
  long id;
};

// The standard dispatch identifiers of the OLE automation, control and HTML
// object-model headers, named after their constants (lower case, without
// the prefixes). Reserved so that member names never receive them, and
// named when a container invokes one.
constexpr FixedDispatchId kFixedDispatchIds[] = {
    {"value", 0}, {"toString", -1}, {"propertyput", -3}, {"newenum", -4}, {"evaluate", -5}, {"constructor", -6},
    {"destructor", -7}, {"collect", -8}, {"autosize", -500}, {"backcolor", -501}, {"backstyle", -502},
    {"bordercolor", -503}, {"borderstyle", -504}, {"borderwidth", -505}, {"drawmode", -507}, {"drawstyle", -508},
    {"drawwidth", -509}, {"fillcolor", -510}, {"fillstyle", -511}, {"font", -512}, {"forecolor", -513},
    {"enabled", -514}, {"hwnd", -515}, {"tabstop", -516}, {"text", -517}, {"caption", -518},
    {"bordervisible", -519}, {"appearance", -520}, {"mousepointer", -521}, {"mouseicon", -522},
    {"picture", -523}, {"valid", -524}, {"readystate", -525}, {"listindex", -526}, {"selected", -527},
    {"list", -528}, {"column", -529}, {"listcount", -531}, {"multiselect", -532}, {"maxlength", -533},
    {"passwordchar", -534}, {"scrollbars", -535}, {"wordwrap", -536}, {"multiline", -537},
    {"numberofrows", -538}, {"numberofcolumns", -539}, {"displaystyle", -540}, {"groupname", -541},
    {"imemode", -542}, {"accelerator", -543}, {"enterkeybehavior", -544}, {"tabkeybehavior", -545},
    {"seltext", -546}, {"selstart", -547}, {"sellength", -548}, {"refresh", -550}, {"doclick", -551},
    {"aboutbox", -552}, {"additem", -553}, {"clear", -554}, {"removeitem", -555}, {"click", -600},
    {"dblclick", -601}, {"keydown", -602}, {"keypress", -603}, {"keyup", -604}, {"mousedown", -605},
    {"mousemove", -606}, {"mouseup", -607}, {"errorevent", -608}, {"readystatechange", -609},
    {"click_value", -610}, {"righttoleft", -611}, {"toptobottom", -612}, {"this", -613},
    {"ambient_backcolor", -701}, {"ambient_displayname", -702}, {"ambient_font", -703},
    {"ambient_forecolor", -704}, {"ambient_localeid", -705}, {"ambient_messagereflect", -706},
    {"ambient_scaleunits", -707}, {"ambient_textalign", -708}, {"ambient_usermode", -709},
    {"ambient_uidead", -710}, {"ambient_showgrabhandles", -711}, {"ambient_showhatching", -712},
    {"ambient_displayasdefault", -713}, {"ambient_supportsmnemonics", -714}, {"ambient_autoclip", -715},
    {"ambient_appearance", -716}, {"ambient_codepage", -725}, {"ambient_palette", -726},
    {"ambient_charset", -727}, {"ambient_transferpriority", -728}, {"ambient_righttoleft", -732},
    {"ambient_toptobottom", -733}, {"ambient_dlcontrol", -5512}, {"ambient_useragent", -5513}, {"name", -800},
    {"delete", -801}, {"object", -802}, {"parent", -803}, {"windowobject", -5500}, {"locationobject", -5506},
    {"historyobject", -5507}, {"navigatorobject", -5508}, {"securityctx", -5511}, {"securitydomain", -5514},
    {"onmouseover", -2147412112}, {"onmouseout", -2147412111}, {"onmousedown", -2147412110},
    {"onmouseup", -2147412109}, {"onmousemove", -2147412108}, {"onkeydown", -2147412107},
    {"onkeyup", -2147412106}, {"onkeypress", -2147412105}, {"onclick", -2147412104},
    {"ondblclick", -2147412103}, {"onselect", -2147412102}, {"onsubmit", -2147412101},
    {"onreset", -2147412100}, {"onhelp", -2147412099}, {"onfocus", -2147412098}, {"onblur", -2147412097},
    {"onrowexit", -2147412094}, {"onrowenter", -2147412093}, {"onbounce", -2147412092},
    {"onbeforeupdate", -2147412091}, {"onafterupdate", -2147412090}, {"onbeforedragover", -2147412089},
    {"onbeforedroporpaste", -2147412088}, {"onreadystatechange", -2147412087}, {"onfinish", -2147412086},
    {"onstart", -2147412085}, {"onabort", -2147412084}, {"onerror", -2147412083}, {"onchange", -2147412082},
    {"onscroll", -2147412081}, {"onload", -2147412080}, {"onunload", -2147412079}, {"onlayout", -2147412078},
    {"ondragstart", -2147412077}, {"onresize", -2147412076}, {"onselectstart", -2147412075},
    {"onerrorupdate", -2147412074}, {"onbeforeunload", -2147412073}, {"ondatasetchanged", -2147412072},
    {"ondataavailable", -2147412071}, {"ondatasetcomplete", -2147412070}, {"onfilter", -2147412069},
    {"onchangefocus", -2147412068}, {"onchangeblur", -2147412067}, {"onlosecapture", -2147412066},
    {"onpropertychange", -2147412065}, {"onpersistsave", -2147412064}, {"ondrag", -2147412063},
    {"ondragend", -2147412062}, {"ondragenter", -2147412061}, {"ondragover", -2147412060},
    {"ondragleave", -2147412059}, {"ondrop", -2147412058}, {"oncut", -2147412057}, {"oncopy", -2147412056},
    {"onpaste", -2147412055}, {"onbeforecut", -2147412054}, {"onbeforecopy", -2147412053},
    {"onbeforepaste", -2147412052}, {"onpersistload", -2147412051}, {"onrowsdelete", -2147412050},
    {"onrowsinserted", -2147412049}, {"oncellchange", -2147412048}, {"oncontextmenu", -2147412047},
    {"onbeforeprint", -2147412046}, {"onafterprint", -2147412045}, {"onstop", -2147412044},
    {"onbeforeeditfocus", -2147412043}, {"onattachevent", -2147412042}, {"onmousehover", -2147412041},
    {"oncontentready", -2147412040}, {"onlayoutcomplete", -2147412039}, {"onpage", -2147412038},
    {"onlinkedoverflow", -2147412037}, {"onmousewheel", -2147412036}, {"onbeforedeactivate", -2147412035},
    {"onmove", -2147412034}, {"oncontrolselect", -2147412033}, {"onselectionchange", -2147412032},
    {"onmovestart", -2147412031}, {"onmoveend", -2147412030}, {"onresizestart", -2147412029},
    {"onresizeend", -2147412028}, {"onmouseenter", -2147412027}, {"onmouseleave", -2147412026},
    {"onactivate", -2147412025}, {"ondeactivate", -2147412024}, {"onmultilayoutcleanup", -2147412023},
    {"onbeforeactivate", -2147412022}, {"onfocusin", -2147412021}, {"onfocusout", -2147412020},
    {"onvaluechange", -2147412019}, {"onselectadd", -2147412018}, {"onselectremove", -2147412017},
    {"onselectwithin", -2147412016}, {"onsystemscrollingstart", -2147412015},
    {"onsystemscrollingend", -2147412014}, {"onobjectcontentscrolled", -2147412013},
    {"onstorage", -2147412012}, {"onstoragecommit", -2147412011}, {"onshow", -2147412010},
    {"onhide", -2147412009}, {"onalert", -2147412008}, {"onpopupmenustart", -2147412007},
    {"onpopupmenuend", -2147412006}, {"ononline", -2147412005}, {"onoffline", -2147412004},
    {"onhashchange", -2147412003}, {"onmessage", -2147412002}, {"ondommutation", -2147412001},
    {"ontimeout", -2147412000}, {"onwheel", -2147411999}, {"onsvgload", -2147411998},
    {"onsvgunload", -2147411997}, {"onsvgabort", -2147411996}, {"onsvgerror", -2147411995},
    {"onsvgresize", -2147411994}, {"onsvgscroll", -2147411993}, {"onsvgzoom", -2147411992},
    {"onmsthumbnailclick", -2147411991}, {"oncompositionstart", -2147411990},
    {"oncompositionupdate", -2147411989}, {"oncompositionend", -2147411988},
    {"ondomattrmodified", -2147411987}, {"ondomcontentloaded", -2147411986}, {"oninput", -2147411985},
    {"ondomchardatamodified", -2147411984}, {"ontextinput", -2147411983},
    {"onmssitemodejumplistitemremoved", -2147411982}, {"ondomnodeinserted", -2147411981},
    {"ondomnoderemoved", -2147411980}, {"ondomsubtreemodified", -2147411979}, {"oncanplay", -2147411978},
    {"oncanplaythrough", -2147411977}, {"ondurationchange", -2147411976}, {"onemptied", -2147411975},
    {"onended", -2147411974}, {"onloadeddata", -2147411973}, {"onloadedmetadata", -2147411972},
    {"onloadstart", -2147411971}, {"onpause", -2147411970}, {"onplay", -2147411969},
    {"onplaying", -2147411968}, {"onprogress", -2147411967}, {"onratechange", -2147411966},
    {"onseeked", -2147411965}, {"onseeking", -2147411964}, {"onstalled", -2147411963},
    {"onsuspend", -2147411962}, {"ontimeupdate", -2147411961}, {"onvolumechange", -2147411960},
    {"onwaiting", -2147411959},
};
static_assert(std::size(kFixedDispatchIds) == 261);

// Hashing of wide names, usable with views for lookups without a copy.
struct WideHash {
  using is_transparent = void;
  std::size_t operator()(std::wstring_view name) const noexcept {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (wchar_t c : name) hash = (hash ^ static_cast<std::uint64_t>(c)) * 1099511628211ull;
    return static_cast<std::size_t>(hash);
  }
};
struct WideEqual {
  using is_transparent = void;
  bool operator()(std::wstring_view a, std::wstring_view b) const noexcept { return a == b; }
};

std::unique_ptr<DispatchName> makeName(long id, std::wstring wide, bool fixed) {
  auto name = std::make_unique<DispatchName>();
  name->id = id;
  name->fixed = fixed;
  name->wide = std::move(wide);
  try {
    name->utf8 = toUtf8(name->wide);
    name->utf8Valid = true;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    // Kept invalid: whoever needs the UTF-8 form meets the conversion's error.
  }
  return name;
}

// The member identifiers, 100 up, as an array that grows without moving
// what it holds: segment s holds 64 << s pairs. Readers take no lock: a
// pair is stored before the count that makes it visible.
class MemberNames {
 public:
  const DispatchName* at(std::size_t index) const {
    if (index >= count_.load(std::memory_order_acquire)) return nullptr;
    auto [segment, offset] = position(index);
    return segments_[segment][offset];
  }
  std::size_t size() const { return count_.load(std::memory_order_acquire); }
  // Under the map's lock.
  void push(const DispatchName* name) {
    const std::size_t index = count_.load(std::memory_order_relaxed);
    auto [segment, offset] = position(index);
    if (segment >= kSegments) throw std::length_error("too many member names");
    if (!segments_[segment]) segments_[segment] = new const DispatchName*[kFirstSegment << segment];
    segments_[segment][offset] = name;
    count_.store(index + 1, std::memory_order_release);
  }
  ~MemberNames() {
    for (const DispatchName** segment : segments_) delete[] segment;
  }

 private:
  static constexpr std::size_t kFirstSegment = 64;
  static constexpr std::size_t kSegments = 32;
  static std::pair<std::size_t, std::size_t> position(std::size_t index) {
    const std::size_t block = index / kFirstSegment + 1;
    const std::size_t segment = std::bit_width(block) - 1;
    return {segment, index - kFirstSegment * ((std::size_t{1} << segment) - 1)};
  }
  std::atomic<std::size_t> count_{0};
  const DispatchName** segments_[kSegments] = {};
};

class DispatchIdMap {
 public:
  DispatchIdMap() {
    for (const FixedDispatchId& fixed : kFixedDispatchIds) {
      if (fixedById_.count(fixed.id)) throw std::runtime_error("ID or value already defined");
      fixedById_.emplace(fixed.id, makeName(fixed.id, toWide(fixed.name), true));
    }
  }

  const DispatchName* byId(long id) const {
    if (id >= kFirstMemberDispatchId) return members_.at(static_cast<std::size_t>(id - kFirstMemberDispatchId));
    auto found = fixedById_.find(id);
    return found == fixedById_.end() ? nullptr : found->second.get();
  }

  const DispatchName* find(std::wstring_view name) {
    std::atomic<const DispatchName*>& slot = cacheSlot(name);
    const DispatchName* cached = slot.load(std::memory_order_acquire);
    if (cached && cached->wide == name) return cached;
    std::lock_guard guard(lock_);
    auto found = byName_.find(name);
    if (found == byName_.end()) return nullptr;
    slot.store(found->second, std::memory_order_release);
    return found->second;
  }

  const DispatchName& assign(std::wstring_view name) {
    if (const DispatchName* known = find(name)) return *known;
    std::lock_guard guard(lock_);
    auto found = byName_.find(name);
    if (found != byName_.end()) return *found->second;
    if (members_.size() >= static_cast<std::size_t>(std::numeric_limits<long>::max() - kFirstMemberDispatchId)) {
      throw std::length_error("too many member names");
    }
    const long id = kFirstMemberDispatchId + static_cast<long>(members_.size());
    owned_.push_back(makeName(id, std::wstring(name), false));
    const DispatchName* added = owned_.back().get();
    byName_.emplace(added->wide, added);
    try {
      members_.push(added);
    } catch (...) {
      byName_.erase(added->wide);
      owned_.pop_back();
      throw;
    }
    cacheSlot(name).store(added, std::memory_order_release);
    return *added;
  }

  std::size_t size() const { return fixedById_.size() + members_.size(); }

 private:
  // Recently found names, by hash: a slot holds a pair that never changes,
  // so a reader needs no lock and a lost race only costs a miss.
  static constexpr std::size_t kCacheSlots = 256;
  std::atomic<const DispatchName*>& cacheSlot(std::wstring_view name) {
    return cache_[WideHash()(name) % kCacheSlots];
  }

  // Never changed after construction.
  std::unordered_map<long, std::unique_ptr<DispatchName>> fixedById_;
  MemberNames members_;
  std::atomic<const DispatchName*> cache_[kCacheSlots] = {};
  std::mutex lock_;
  // Guarded by lock_.
  std::unordered_map<std::wstring, const DispatchName*, WideHash, WideEqual> byName_;
  std::vector<std::unique_ptr<DispatchName>> owned_;
};

DispatchIdMap& processMap() {
  static DispatchIdMap instance;
  return instance;
}

}  // namespace

long dispatchIdFor(std::wstring_view name) { return processMap().assign(name).id; }

const DispatchName& dispatchNameFor(std::wstring_view name) { return processMap().assign(name); }

const DispatchName* findDispatchName(std::wstring_view name) { return processMap().find(name); }

const DispatchName* dispatchName(long id) { return processMap().byId(id); }

std::optional<variant> dispatchIdName(long id) {
  const DispatchName* name = processMap().byId(id);
  if (!name) return std::nullopt;
  if (name->fixed) return variant(name->utf8);
  return variant(name->wide);
}

std::size_t dispatchIdCount() { return processMap().size(); }

}  // namespace FB::ActiveX
