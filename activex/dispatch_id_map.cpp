#include "activex/dispatch_id_map.h"

#include <mutex>

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

struct DispatchIdMap {
  DispatchIdMap() {
    for (const FixedDispatchId& fixed : kFixedDispatchIds) map.insert(variant(std::string(fixed.name)), fixed.id);
  }
  std::mutex lock;
  TypeIDMap<long> map{kFirstMemberDispatchId};
};

DispatchIdMap& processMap() {
  static DispatchIdMap instance;
  return instance;
}

}  // namespace

long dispatchIdFor(const std::wstring& name) {
  DispatchIdMap& shared = processMap();
  std::lock_guard guard(shared.lock);
  return shared.map.idFor(variant(name));
}

std::optional<variant> dispatchIdName(long id) {
  DispatchIdMap& shared = processMap();
  std::lock_guard guard(shared.lock);
  const variant* name = shared.map.nameOf(id);
  if (!name) return std::nullopt;
  return *name;
}

std::size_t dispatchIdCount() {
  DispatchIdMap& shared = processMap();
  std::lock_guard guard(shared.lock);
  return shared.map.size();
}

}  // namespace FB::ActiveX
