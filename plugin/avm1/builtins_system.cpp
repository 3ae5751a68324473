// System, flash.external.ExternalInterface, SharedObject, LoadVars,
// TextField and TextFormat, and the small objects movies probe (ContextMenu).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "avm1/engine.h"
#include "avm1/external_interface.h"

namespace avm1 {

std::string url_decode(const std::string& s);
std::string encode_variables(Runtime& rt, Object* o);
void install_text_field_members(Runtime& rt);

namespace {

Engine& engine_of(Runtime& rt) { return *rt.engine(); }

Value nothing(Runtime&, CallInfo&) { return Value(); }
Value answer_true(Runtime&, CallInfo&) { return Value::boolean(true); }
Value answer_false(Runtime&, CallInfo&) { return Value::boolean(false); }

// --- ExternalInterface

Value ei_call(Runtime& rt, CallInfo& call) {
  if (call.count == 0) return Value::null();
  String name = rt.to_string(call.arg(0));
  std::vector<Value> args(call.args + 1, call.args + call.count);
  Value result;
  if (!engine_of(rt).external_call(name, args, result)) return Value::null();
  return result;
}

Value ei_add_callback(Runtime& rt, CallInfo& call) {
  if (call.count < 3) return Value::boolean(false);
  return Value::boolean(
      engine_of(rt).add_callback(rt.to_string(call.arg(0)), call.arg(1), call.arg(2)));
}

// --- SharedObject

String storage_name(Runtime& rt, const Value& v) {
  std::string name = rt.to_string(v).str();
  std::string out;
  for (char c : name)
    out += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') ? c : '_';
  return String(out);
}

Value so_get_local(Runtime& rt, CallInfo& call) {
  if (call.count == 0 || rt.to_string(call.arg(0)).empty()) return Value::null();
  Object* so = rt.make_object(
      rt.get_property(rt.get_property(rt.global(), "SharedObject").as_object(), "prototype")
          .as_object());
  String name = storage_name(rt, call.arg(0));
  so->define("__name__", Value(name), kHidden);
  Object* data = rt.make_object();
  std::string stored;
  if (engine_of(rt).host().read_storage(name.str(), stored)) {
    Value v;
    if (parse_external_value(rt, stored, v) && v.as_object()) data = v.as_object();
  }
  so->define("data", Value::object(data), kDontDelete);
  return Value::object(so);
}

Value so_flush(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value::boolean(false);
  Property* name = self->find_own("__name__", true);
  Value data = rt.get_property(self, "data");
  if (!name || !data.as_object()) return Value::boolean(false);
  return Value::boolean(
      engine_of(rt).host().write_storage(name->value.string_text(), external_value_xml(rt, data)));
}

Value so_clear(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  self->define("data", Value::object(rt.make_object()), kDontDelete);
  if (Property* name = self->find_own("__name__", true))
    engine_of(rt).host().write_storage(name->value.string_text(), "<object></object>");
  return Value();
}

Value so_get_size(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value::number(0);
  return Value::number(
      static_cast<double>(external_value_xml(rt, rt.get_property(self, "data")).size()));
}

Value so_get_remote(Runtime&, CallInfo&) { return Value::null(); }

// What the local objects take is not measured by name.
Value so_disk_usage(Runtime&, CallInfo&) { return Value::number(0); }

// --- LoadVars

Value lv_constructor(Runtime&, CallInfo&) { return Value(); }

Value lv_load(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self || call.count == 0) return Value::boolean(false);
  rt.set_property(self, "loaded", Value::boolean(false));
  return Value::boolean(engine_of(rt).load_into(self, rt.to_string(call.arg(0)).str(), "GET", ""));
}

Value lv_send_and_load(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  Object* target = call.arg(1).as_object();
  if (!self || !target) return Value::boolean(false);
  std::string method = call.count > 2 ? rt.to_string(call.arg(2)).str() : "POST";
  rt.set_property(target, "loaded", Value::boolean(false));
  std::string body = rt.to_string(rt.call_method(Value::object(self), "toString", {})).str();
  return Value::boolean(engine_of(rt).load_into(target, rt.to_string(call.arg(0)).str(),
                                                fold_case(method) == "get" ? "GET" : "POST", body));
}

Value lv_send(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value::boolean(false);
  std::string body = rt.to_string(rt.call_method(Value::object(self), "toString", {})).str();
  engine_of(rt).host().navigate(rt.to_string(call.arg(0)).str(),
                                call.count > 1 ? rt.to_string(call.arg(1)).str() : "_self", "POST",
                                body);
  return Value::boolean(true);
}

// Goes through the movie's own escape and an array's push and join, so
// that replacements of those take part.
Value lv_to_string(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self || rt.version() < 6) return Value();
  Value escape = rt.get_property(rt.global(), "escape");
  Value list = rt.construct(Value::object(rt.known().array_constructor), nullptr, 0);
  std::vector<String> names = rt.enumerate(self);
  for (size_t i = names.size(); i-- > 0;) {
    Value v = rt.get_property(self, names[i]);
    if (v.is_object() && v.as_object()->is_function()) continue;
    Value name_arg(names[i]);
    Value key = rt.call(escape, Value(), &name_arg, 1);
    Value text = rt.call(escape, Value(), &v, 1);
    rt.call_method(list, "push", {Value(rt.to_string(key).str() + "=" + rt.to_string(text).str())});
  }
  return rt.call_method(list, "join", {Value("&")});
}

// Works on any object (movies borrow it); answers false only when there
// is nothing to decode.
Value lv_decode(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (call.count == 0) return Value::boolean(false);
  if (!self) return Value();
  std::string data = rt.to_string(call.arg(0)).str();
  size_t from = 0;
  while (from <= data.size()) {
    size_t amp = data.find('&', from);
    std::string pair = data.substr(from, amp == std::string::npos ? std::string::npos : amp - from);
    size_t eq = pair.find('=');
    if (!pair.empty())
      rt.set_property(
          self, String(url_decode(pair.substr(0, eq))),
          Value(eq == std::string::npos ? std::string() : url_decode(pair.substr(eq + 1))));
    if (amp == std::string::npos) break;
    from = amp + 1;
  }
  return Value();
}

Value lv_on_data(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  bool ok = !call.arg(0).is_undefined();
  if (ok) {
    Value text = call.arg(0);
    rt.call_method(Value::object(self), "decode", {text});
  }
  rt.set_property(self, "loaded", Value::boolean(ok));
  rt.call_method(Value::object(self), "onLoad", {Value::boolean(ok)});
  return Value();
}

Value lv_bytes(Runtime&, CallInfo&) { return Value(); }

// --- TextFormat

Value text_get_format(Runtime& rt, CallInfo&) {
  Value ctor = rt.get_property(rt.global(), "TextFormat");
  return rt.construct(ctor, nullptr, 0);
}

// The live text field a method was called on.
ClipObject* field_of(CallInfo& call) {
  Object* o = call.this_object();
  if (!o || o->object_class() != ObjectClass::text_field) return nullptr;
  auto* c = static_cast<ClipObject*>(o);
  return c->removed ? nullptr : c;
}

Value text_get_depth(Runtime&, CallInfo& call) {
  ClipObject* c = field_of(call);
  return c ? Value::number(c->depth()) : Value();
}

Value text_remove(Runtime& rt, CallInfo& call) {
  ClipObject* c = field_of(call);
  if (c && c->depth() >= 0) engine_of(rt).remove_clip(c);
  return Value();
}

Value text_replace_sel(Runtime&, CallInfo&) { return Value(); }

// The byte offset of character `index` in UTF-8 text (clamped to the end).
size_t utf8_offset(const std::string& s, double index) {
  size_t at = 0;
  for (double i = 0; i < index && at < s.size(); ++i) {
    ++at;
    while (at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) ++at;
  }
  return at;
}

// field.replaceText(begin, end, text): the characters from begin up to
// end give way to the text (line breaks become carriage returns).
Value text_replace_text(Runtime& rt, CallInfo& call) {
  ClipObject* field = field_of(call);
  // Earlier movies find the method but it leaves the text as it is.
  if (!field || call.count < 3 || rt.version() < 7) return Value();
  double begin = rt.to_number(call.arg(0)), end = rt.to_number(call.arg(1));
  if (std::isnan(begin) || std::isnan(end) || begin < 0 || end < begin) return Value();
  std::string text = rt.to_string(rt.get_property(field, "text")).str();
  std::string insert = rt.to_string(call.arg(2)).str();
  for (char& c : insert)
    if (c == '\n') c = '\r';
  size_t from = utf8_offset(text, begin), to = utf8_offset(text, end);
  rt.set_property(field, "text", Value(text.substr(0, from) + insert + text.substr(to)));
  return Value();
}

// The definition behind fields that scripts create: an edit text without a
// tag of its own (such a field keeps its state with its script object).
const npfp::Character* script_text_field() {
  static const npfp::Character* const field = [] {
    static npfp::Character c;
    c.kind = npfp::CharacterKind::edit_text;
    c.id = 0;
    c.tag_code = 37;
    return &c;
  }();
  return field;
}

// clip.createTextField(name, depth, x, y, width, height): an empty field
// at the depth; version 8 movies get the field back.
Value mc_create_text_field(Runtime& rt, CallInfo& call) {
  Object* o = call.this_object();
  ClipObject* clip = o && o->is_clip() ? engine_of(rt).live(o) : nullptr;
  if (!clip || call.count < 6) return Value();
  double d = rt.to_number(call.arg(1));
  int depth = std::isnan(d) ? 0 : static_cast<int>(std::max(-16384.0, std::min(2130690045.0, d)));
  ClipObject* field =
      engine_of(rt).attach(clip, script_text_field(), rt.to_string(call.arg(0)), depth, nullptr);
  if (!field) return Value();
  rt.set_property(field, "_x", call.arg(2));
  rt.set_property(field, "_y", call.arg(3));
  return rt.version() >= 8 ? Value::object(field) : Value();
}

// The field members TextField.prototype carries once a field exists: they
// reach the field they are asked of.
const char* const kFieldMembers[] = {"text",
                                     "htmlText",
                                     "html",
                                     "length",
                                     "variable",
                                     "multiline",
                                     "wordWrap",
                                     "password",
                                     "selectable",
                                     "border",
                                     "background",
                                     "embedFonts",
                                     "textColor",
                                     "borderColor",
                                     "backgroundColor",
                                     "maxChars",
                                     "scroll",
                                     "hscroll",
                                     "maxscroll",
                                     "type",
                                     "condenseWhite",
                                     "mouseWheelEnabled",
                                     "restrict",
                                     "autoSize",
                                     "styleSheet"};

ClipObject* any_field(CallInfo& call) {
  Object* o = call.this_object();
  return o && o->object_class() == ObjectClass::text_field ? static_cast<ClipObject*>(o) : nullptr;
}

Value field_member_get(Runtime& rt, CallInfo& call) {
  ClipObject* field = any_field(call);
  Value out;
  if (field && call.callee) engine_of(rt).text_get(field, rt.to_string(call.callee->data), out);
  return out;
}

Value field_member_set(Runtime& rt, CallInfo& call) {
  ClipObject* field = any_field(call);
  if (field && call.callee)
    engine_of(rt).text_set(field, rt.to_string(call.callee->data), call.arg(0));
  return Value();
}

Value text_field_ctor(Runtime& rt, CallInfo&) {
  install_text_field_members(rt);
  return Value();
}

// --- ASnative: the player's numbered natives, for the ones movies reach
// by number. The table lives on the function itself, keyed "a,b".

Value xml_escape_native(Runtime& rt, CallInfo& call) {
  // Spelled out whatever the movie's version.
  if (call.arg(0).is_undefined()) return Value("undefined");
  return Value(xml_escape(rt.to_string(call.arg(0)).str()));
}

// The XML escaper has no name of its own under _global, so it joins the
// numbered natives directly; the named ones are indexed from their places.
void install_as_native(Runtime& rt) {
  Runtime::NativeEntry entry;
  entry.key = 100u << 16 | 5u;
  entry.function = xml_escape_native;
  rt.native_table.push_back(entry);
}

// --- System

Value system_set_clipboard(Runtime&, CallInfo&) { return Value(); }

}  // namespace

// Made on the prototype TextField has when a field is first made (or made
// again after a movie replaced the prototype).
void install_text_field_members(Runtime& rt) {
  if (rt.version() < 6) return;
  Object* ctor = rt.get_property(rt.global(), "TextField").as_object();
  Object* proto = ctor ? rt.get_property(ctor, "prototype").as_object() : nullptr;
  if (!proto) return;
  for (const char* name : kFieldMembers) {
    if (proto->find_own(name, true)) continue;
    Property& p = proto->properties().add(name);
    FunctionObject* get = rt.make_native(field_member_get);
    get->data = Value(name);
    FunctionObject* set = rt.make_native(field_member_set);
    set->data = Value(name);
    p.getter = get;
    p.setter = set;
    p.flags = kDontEnum;
  }
}

void install_textfield_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  Object* g = rt.global();
  Object* proto = rt.make_object();
  rt.known().textfield_prototype = proto;
  FunctionObject* field_class = rt.make_class(text_field_ctor, proto);
  g->define("TextField", Value::object(field_class), kDontEnum);
  // TextField.StyleSheet: sheets are plain objects of their class here.
  Object* sheet_proto = rt.make_object();
  // Style sheets arrived with SWF 7.
  field_class->define("StyleSheet", Value::object(rt.make_class(nothing, sheet_proto)),
                      kHidden | kOnlyVersion7);
  rt.add_method(sheet_proto, "parseCSSFontFamily", style_sheet_parse_font_family,
                kHidden | kOnlyVersion7);
  // A field's methods, like its properties, are there from SWF 6 on.
  const std::pair<const char*, NativeFunction> methods[] = {
      {"getTextFormat", text_get_format}, {"getNewTextFormat", text_get_format},
      {"setTextFormat", nothing},         {"setNewTextFormat", nothing},
      {"replaceSel", text_replace_sel},   {"replaceText", text_replace_text},
      {"getDepth", text_get_depth},       {"removeTextField", text_remove},
  };
  for (const auto& m : methods) rt.add_method(proto, m.first, m.second, kHidden | kOnlyVersion6);
  if (Object* clips = rt.known().movieclip_prototype) {
    Property* p = clips->find_own("createTextField", true);
    // Unlike its neighbours, SWF 5 movies see this one too.
    rt.add_method(clips, "createTextField", mc_create_text_field,
                  p ? p->flags & ~kOnlyVersion6 : kHidden);
  }
  Value broadcaster = rt.get_property(g, "AsBroadcaster");
  for (const char* m : {"addListener", "removeListener"})
    proto->define(m, rt.get_member(broadcaster, m), kHidden | kOnlyVersion6);

  install_textformat_builtins(rt);
}

void install_system_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  Object* g = rt.global();

  Object* system = rt.make_object();
  g->define("System", Value::object(system), kDontEnum);
  Object* capabilities = rt.make_object();
  system->define("capabilities", Value::object(capabilities), kHidden);
  const std::pair<const char*, Value> caps[] = {
      {"os", Value("Windows XP")},
      {"version", Value(kPlayerVersion)},
      {"manufacturer", Value("Macromedia Windows")},
      {"playerType", Value("PlugIn")},
      {"language", Value("en")},
      {"screenResolutionX", Value::number(1024)},
      {"screenResolutionY", Value::number(768)},
      {"screenDPI", Value::number(72)},
      {"screenColor", Value("color")},
      {"hasAudio", Value::boolean(true)},
      {"hasMP3", Value::boolean(true)},
      {"hasVideoEncoder", Value::boolean(false)},
      {"isDebugger", Value::boolean(false)},
      {"localFileReadDisable", Value::boolean(false)},
      {"avHardwareDisable", Value::boolean(true)},
  };
  for (const auto& c : caps) capabilities->define(c.first, c.second, kHidden);
  Object* security = rt.make_object();
  system->define("security", Value::object(security), kHidden);
  rt.add_method(security, "allowDomain", nothing);
  rt.add_method(security, "allowInsecureDomain", nothing);
  rt.add_method(security, "loadPolicyFile", nothing);
  system->define("useCodepage", Value::boolean(false), kHidden);
  system->define("exactSettings", Value::boolean(true), kHidden);
  rt.add_method(system, "setClipboard", system_set_clipboard);
  rt.add_method(system, "showSettings", nothing);

  // flash.external.ExternalInterface
  Object* flash = rt.get_property(g, "flash").as_object();
  if (!flash) {
    flash = rt.make_object();
    // The flash packages arrived with SWF 6.
    g->define("flash", Value::object(flash), kDontEnum | kOnlyVersion6);
  }
  Object* external = rt.make_object();
  flash->define("external", Value::object(external), 0);
  Object* ei = rt.make_class(nothing, nullptr);
  external->define("ExternalInterface", Value::object(ei), 0);
  ei->define("available", Value::boolean(true), kHidden | kReadOnly);
  rt.add_method(ei, "call", ei_call);
  rt.add_method(ei, "addCallback", ei_add_callback);

  // SharedObject
  Object* so_proto = rt.make_object();
  FunctionObject* so = rt.make_class(nothing, so_proto);
  g->define("SharedObject", Value::object(so), kDontEnum);
  // The class functions are script functions, each with a prototype.
  auto so_static = [&](const char* name, NativeFunction f, uint32_t flags) {
    so->define(name, Value::object(rt.make_class(f, nullptr)), flags);
  };
  so_static("getLocal", so_get_local, 0);
  // No server: remote objects and their connections are unavailable.
  so_static("getRemote", so_get_remote, 0);
  so_static("deleteAll", answer_false, kDontEnum);
  so_static("getDiskUsage", so_disk_usage, kDontEnum);
  rt.add_method(so_proto, "flush", so_flush);
  rt.add_method(so_proto, "clear", so_clear);
  rt.add_method(so_proto, "getSize", so_get_size);
  rt.add_method(so_proto, "connect", answer_false);
  rt.add_method(so_proto, "close", nothing);
  rt.add_method(so_proto, "send", nothing);
  rt.add_method(so_proto, "setFps", answer_false);

  // LoadVars
  Object* lv_proto = rt.make_object();
  g->define("LoadVars", Value::object(rt.make_class(lv_constructor, lv_proto)), kDontEnum);
  // Code of SWF 5 sees the class but none of its methods except toString,
  // which answers nothing there. The methods written as scripts are
  // functions with a prototype of their own.
  const uint32_t newer = kHidden | kOnlyVersion6;
  auto lv_script = [&](const char* name, NativeFunction f, uint32_t flags) {
    lv_proto->define(name, Value::object(rt.make_class(f, nullptr)), flags);
  };
  rt.add_method(lv_proto, "load", lv_load, newer);
  rt.add_method(lv_proto, "send", lv_send, newer);
  rt.add_method(lv_proto, "sendAndLoad", lv_send_and_load, newer);
  rt.add_method(lv_proto, "decode", lv_decode, newer);
  lv_script("toString", lv_to_string, kHidden);
  lv_script("onData", lv_on_data, newer);
  lv_script("onLoad", nothing, newer);
  lv_script("getBytesLoaded", lv_bytes, newer);
  lv_script("getBytesTotal", lv_bytes, newer);
  lv_script("addRequestHeader", add_request_header, newer);
  lv_proto->define("contentType", Value("application/x-www-form-urlencoded"), newer);

  install_selection_builtins(rt);
  (void)answer_true;

  install_as_native(rt);
}

}  // namespace avm1
