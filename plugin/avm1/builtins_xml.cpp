// XMLNode and XML: a node tree kept natively (element, text and the
// document), exposed through the node properties; parseXML, toString,
// building and editing methods, and loading through the engine.
#include <algorithm>
#include <cmath>

#include "avm1/engine.h"
#include "avm1/external_interface.h"

namespace avm1 {

namespace {

enum NodeType { kElement = 1, kTextNode = 3 };

class XmlNode : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::xml_node; }
  void trace_children(Tracer& t) override {
    t.mark(parent);
    for (XmlNode* c : children) t.mark(c);
    t.mark(attributes);
    t.mark(child_list);
    t.mark(xml_decl);
    t.mark(doctype);
    t.mark(status);
  }
  bool get_native(Runtime& rt, const String& name, Value& out) override;
  bool set_native(Runtime& rt, const String& name, const Value& value) override;

  int type = kElement;
  Value name;   // nodeName (null for text nodes and the document)
  Value value;  // nodeValue (null for elements)
  XmlNode* parent = nullptr;
  std::vector<XmlNode*> children;
  Object* attributes = nullptr;
  // The childNodes array: one per node, made when first asked for and
  // refilled whenever the children change (what a movie put into it in
  // between stays until then).
  ArrayObject* child_list = nullptr;
  // A document keeps what its last parse found.
  bool document = false;
  Value status = Value::number(0), xml_decl, doctype;

  void sync_children(Runtime& rt) {
    if (!child_list) return;
    // The list is the node's to keep: its entries are read-only.
    child_list->set_length(rt, 0);
    for (size_t i = 0; i < children.size(); ++i)
      child_list->put(String(std::to_string(i)), Value::object(children[i]), kReadOnly);
    child_list->raw_length(children.size());
  }

  // The address an xmlns attribute of this node or an outer one gives the
  // prefix ("" for the default); null when none does.
  Value namespace_for(const std::string& prefix) {
    String key(prefix.empty() ? std::string("xmlns") : "xmlns:" + prefix);
    int depth = 0;
    for (XmlNode* n = this; n && depth < 4096; n = n->parent, ++depth)
      if (Property* p = n->attributes->find_own(key, true)) return p->value;
    return Value::null();
  }

  int index_in_parent() const {
    if (!parent) return -1;
    for (size_t i = 0; i < parent->children.size(); ++i)
      if (parent->children[i] == this) return static_cast<int>(i);
    return -1;
  }
};

XmlNode* node_of(const Value& v) {
  Object* o = v.as_object();
  return o && o->object_class() == ObjectClass::xml_node ? static_cast<XmlNode*>(o) : nullptr;
}

// What a class's `prototype` holds now (a movie may have replaced it);
// the original one when it holds no object.
Object* current_prototype(Runtime& rt, FunctionObject* constructor, Object* original) {
  if (!constructor) return original;
  Object* p = rt.get_property(constructor, "prototype").as_object();
  return p ? p : original;
}

Object* node_prototype(Runtime& rt) {
  return current_prototype(rt, rt.known().xml_node_constructor, rt.known().xml_node_prototype);
}

// The node properties also show on the prototype of the class, put there
// again each time a script makes a node (so a replaced prototype gets
// them when the next node is made); read from anything but a node they
// are undefined.
void add_node_properties(Object* proto) {
  for (const char* n : {"attributes", "childNodes", "firstChild", "lastChild", "localName",
                        "namespaceURI", "nextSibling", "nodeName", "nodeType", "nodeValue",
                        "parentNode", "prefix", "previousSibling"})
    if (!proto->find_own(String(n), true)) proto->define(n, Value(), kDontEnum);
}

// Likewise the document properties on XML's prototype, put there when a
// document is made.
void add_document_properties(Object* proto) {
  if (!proto->find_own("ignoreWhite", true))
    proto->define("ignoreWhite", Value::boolean(false), kDontEnum);
  if (!proto->find_own("contentType", true))
    proto->define("contentType", Value("application/x-www-form-urlencoded"), kDontEnum);
  if (!proto->find_own("loaded", true)) proto->define("loaded", Value(), kDontEnum);
  if (!proto->find_own("status", true)) proto->define("status", Value::number(0), kDontEnum);
}

XmlNode* make_node(Runtime& rt, int type, const Value& name_or_value, Object* proto = nullptr) {
  auto* n = rt.heap().make<XmlNode>();
  n->set_proto(proto ? proto : node_prototype(rt));
  n->type = type;
  // Attributes inherit nothing: names set on Object.prototype are no
  // attributes.
  n->attributes = rt.make_object(nullptr);
  if (type == kElement) {
    n->name = name_or_value;
    n->value = Value::null();
  } else {
    n->name = Value::null();
    n->value = name_or_value;
  }
  return n;
}

void detach(Runtime& rt, XmlNode* n) {
  if (!n->parent) return;
  XmlNode* parent = n->parent;
  auto& list = parent->children;
  list.erase(std::remove(list.begin(), list.end(), n), list.end());
  n->parent = nullptr;
  parent->sync_children(rt);
}

// Whether `a` is `n` or holds it. Code before SWF 8 may build cycles, so
// the walk is bounded.
bool is_ancestor(XmlNode* a, XmlNode* n) {
  int depth = 0;
  for (XmlNode* p = n; p && depth < 1 << 16; p = p->parent, ++depth)
    if (p == a) return true;
  return false;
}

// SWF 8 refuses to put a node into itself or into one of its own
// children; older versions do as told.
bool makes_cycle(Runtime& rt, XmlNode* child, XmlNode* parent) {
  return rt.version() >= 8 && is_ancestor(child, parent);
}

bool XmlNode::get_native(Runtime& rt, const String& name, Value& out) {
  bool cs = rt.case_sensitive();
  auto is = [&](const char* n) { return name.same(n, cs); };
  if (document && (is("status") || is("xmlDecl") || is("docTypeDecl"))) {
    out = is("status") ? status : is("xmlDecl") ? xml_decl : doctype;
    return true;
  }
  if (is("nodeType"))
    out = Value::number(type);
  else if (is("nodeName"))
    out = this->name;
  else if (is("nodeValue"))
    out = value;
  else if (is("parentNode"))
    out = parent ? Value::object(parent) : Value::null();
  else if (is("firstChild"))
    out = children.empty() ? Value::null() : Value::object(children.front());
  else if (is("lastChild"))
    out = children.empty() ? Value::null() : Value::object(children.back());
  else if (is("nextSibling") || is("previousSibling")) {
    int i = index_in_parent();
    int k = is("nextSibling") ? i + 1 : i - 1;
    out = i >= 0 && k >= 0 && k < static_cast<int>(parent->children.size())
              ? Value::object(parent->children[static_cast<size_t>(k)])
              : Value::null();
  } else if (is("childNodes")) {
    if (!child_list) {
      child_list = rt.make_array();
      if (FunctionObject* array = rt.known().array_constructor)
        child_list->define("constructor", Value::object(array), kHidden);
      sync_children(rt);
    }
    out = Value::object(child_list);
  } else if (is("attributes")) {
    out = Value::object(attributes);
  } else if (is("namespaceURI")) {
    if (type != kElement || !this->name.is_string()) {
      out = Value::null();
      return true;
    }
    Value prefix;
    get_native(rt, String("prefix"), prefix);
    out = namespace_for(prefix.is_string() ? prefix.string_text() : std::string());
    if (out.is_null()) out = Value(std::string());
  } else if (is("localName") || is("prefix")) {
    if (type != kElement || !this->name.is_string()) {
      out = Value::null();
      return true;
    }
    const std::string& n = this->name.string_text();
    // A colon that ends the name separates nothing.
    size_t colon = n.find(':');
    if (colon + 1 == n.size()) colon = std::string::npos;
    if (is("prefix"))
      out = Value(colon == std::string::npos ? std::string() : n.substr(0, colon));
    else
      out = Value(colon == std::string::npos ? n : n.substr(colon + 1));
  } else {
    return false;
  }
  return true;
}

// The text of a value given as a name: an object's toString is asked
// once, and only a text answer counts.
String name_text(Runtime& rt, const Value& v) {
  Object* o = v.as_object();
  if (!o || o->is_clip()) return rt.to_string(v);
  Value method;
  if (rt.find_property(o, "toString", method) && rt.is_callable(method)) {
    Value t = rt.call(method, v, nullptr, 0);
    if (t.is_string()) return t.as_string();
  }
  return String("[type Object]");
}

bool XmlNode::set_native(Runtime& rt, const String& name, const Value& v) {
  bool cs = rt.case_sensitive();
  if (document &&
      (name.same("status", cs) || name.same("xmlDecl", cs) || name.same("docTypeDecl", cs))) {
    (name.same("status", cs) ? status : name.same("xmlDecl", cs) ? xml_decl : doctype) = v;
    return true;
  }
  if (name.same("nodeName", cs)) {
    // Undefined leaves the name alone; anything else is taken as text.
    if (type == kElement && !v.is_undefined()) this->name = Value(name_text(rt, v));
    return true;
  }
  if (name.same("nodeValue", cs)) {
    if (type == kTextNode) value = v.is_nullish() ? Value::null() : Value(rt.to_string(v));
    return true;
  }
  if (name.same("attributes", cs)) {
    if (Object* o = v.as_object()) attributes = o;
    return true;
  }
  for (const char* n : {"nodeType", "parentNode", "firstChild", "lastChild", "nextSibling",
                        "previousSibling", "childNodes", "localName", "prefix", "namespaceURI"})
    if (name.same(n, cs)) return true;
  return false;
}

}  // namespace

namespace {

std::string serialize(Runtime& rt, XmlNode* n, int depth) {
  if (depth > 256) return std::string();
  if (n->type == kTextNode)
    return n->value.is_string() ? xml_escape(n->value.string_text()) : std::string();
  std::string out;
  // An element with an empty name still writes its brackets.
  bool element = n->name.is_string();
  if (element) {
    out += "<" + n->name.string_text();
    std::vector<String> names = rt.enumerate(n->attributes);
    for (size_t i = names.size(); i-- > 0;)
      out += " " + names[i].str() + "=\"" +
             xml_escape(rt.to_string(rt.get_property(n->attributes, names[i])).str()) + "\"";
    if (n->children.empty()) return out + " />";
    out += ">";
  }
  for (XmlNode* c : n->children) out += serialize(rt, c, depth + 1);
  if (element) out += "</" + n->name.string_text() + ">";
  return out;
}

// A forgiving parser: elements, attributes, text (entities decoded),
// CDATA, comments and declarations skipped; the status says what broke.
struct Parser {
  Runtime& rt;
  const std::string& s;
  bool ignore_white;
  bool map_ids;
  size_t at = 0;
  int status = 0;
  std::string xml_decl, doctype;

  static bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  // Nodes the parser makes carry their class as an own, hidden property.
  XmlNode* parsed_node(int type, const Value& name_or_value) {
    XmlNode* n = make_node(rt, type, name_or_value);
    if (FunctionObject* c = rt.known().xml_node_constructor)
      n->define("constructor", Value::object(c), kHidden);
    return n;
  }

  void add_text(XmlNode* parent, const std::string& text) {
    if (text.empty()) return;
    if (ignore_white) {
      bool all = true;
      for (char c : text)
        if (!space(c)) all = false;
      if (all) return;
    }
    XmlNode* t = parsed_node(kTextNode, Value(text));
    t->parent = parent;
    parent->children.push_back(t);
  }

  // A document lists its elements with an id as they are parsed (scripts
  // watching the names see the tree so far): SWF 8 documents in their
  // idMap object (made bare when missing; any other value takes
  // nothing), older ones on themselves.
  void map_id(XmlNode* document, XmlNode* e) {
    Property* id = e->attributes->find_own("id", true);
    if (!id) return;
    Object* target = document;
    if (rt.version() >= 8) {
      Value map = rt.get_property(document, "idMap");
      if (map.is_undefined()) {
        map = Value::object(rt.make_object(nullptr));
        rt.set_property(document, "idMap", map);
      }
      target = map.as_object();
      if (!target) return;
    }
    rt.set_property(target, rt.to_string(id->value), Value::object(e));
  }

  void parse(XmlNode* document) {
    XmlNode* current = document;
    while (at < s.size()) {
      size_t lt = s.find('<', at);
      if (lt == std::string::npos) {
        add_text(current, xml_unescape(s.substr(at)));
        break;
      }
      add_text(current, xml_unescape(s.substr(at, lt - at)));
      at = lt;
      if (s.compare(at, 4, "<!--") == 0) {
        size_t end = s.find("-->", at + 4);
        if (end == std::string::npos) {
          status = -5;
          return;
        }
        at = end + 3;
      } else if (s.compare(at, 9, "<![CDATA[") == 0) {
        size_t end = s.find("]]>", at + 9);
        if (end == std::string::npos) {
          status = -2;
          return;
        }
        XmlNode* t = parsed_node(kTextNode, Value(s.substr(at + 9, end - at - 9)));
        t->parent = current;
        current->children.push_back(t);
        at = end + 3;
      } else if (s.compare(at, 2, "<?") == 0) {
        size_t end = s.find("?>", at + 2);
        if (end == std::string::npos) {
          status = -3;
          return;
        }
        xml_decl += s.substr(at, end + 2 - at);
        at = end + 2;
      } else if (s.compare(at, 2, "<!") == 0) {
        size_t end = s.find('>', at + 2);
        if (end == std::string::npos) {
          status = -4;
          return;
        }
        doctype = s.substr(at, end + 1 - at);
        at = end + 1;
      } else if (s.compare(at, 2, "</") == 0) {
        size_t end = s.find('>', at + 2);
        if (end == std::string::npos) {
          status = -6;
          return;
        }
        std::string name = s.substr(at + 2, end - at - 2);
        size_t cut = name.find_first_of(" \t\r\n/");
        if (cut != std::string::npos) name.erase(cut);
        if (name.empty()) {
          status = -6;
          return;
        }
        if (current == document || !current->name.is_string() ||
            current->name.string_text() != name) {
          // A name that some outer element has means this one lacks its
          // end tag; any other name closes nothing.
          status = -10;
          for (XmlNode* p = current; p && p != document; p = p->parent)
            if (p->name.is_string() && p->name.string_text() == name) status = -9;
          return;
        }
        current = current->parent;
        at = end + 1;
      } else {
        // The element joins the tree only once its start tag is whole.
        size_t i = at + 1;
        size_t name_start = i;
        while (i < s.size() && !space(s[i]) && s[i] != '>' &&
               !(s[i] == '/' && i + 1 < s.size() && s[i + 1] == '>'))
          ++i;
        std::string name = s.substr(name_start, i - name_start);
        if (name.empty()) {
          status = -6;
          return;
        }
        std::vector<std::pair<std::string, std::string>> attrs;
        bool closed = false;
        for (;;) {
          while (i < s.size() && space(s[i])) ++i;
          if (i >= s.size()) {
            status = -6;
            return;
          }
          if (s[i] == '>') {
            ++i;
            break;
          }
          if (s[i] == '/' && i + 1 < s.size() && s[i + 1] == '>') {
            i += 2;
            closed = true;
            break;
          }
          size_t an = i;
          while (i < s.size() && !space(s[i]) && s[i] != '=' && s[i] != '>' &&
                 !(s[i] == '/' && i + 1 < s.size() && s[i + 1] == '>'))
            ++i;
          std::string attr = s.substr(an, i - an);
          while (i < s.size() && space(s[i])) ++i;
          if (attr.empty() || i >= s.size() || s[i] != '=') {
            status = -6;
            return;
          }
          ++i;
          while (i < s.size() && space(s[i])) ++i;
          if (i >= s.size() || (s[i] != '"' && s[i] != '\'')) {
            status = -6;
            return;
          }
          char q = s[i++];
          size_t end = s.find(q, i);
          if (end == std::string::npos) {
            status = -8;
            return;
          }
          attrs.emplace_back(xml_unescape(attr), xml_unescape(s.substr(i, end - i)));
          i = end + 1;
        }
        XmlNode* e = parsed_node(kElement, Value(name));
        e->parent = current;
        current->children.push_back(e);
        for (const auto& a : attrs) {
          String key(a.first);
          if (!rt.own_property(e->attributes, key))
            rt.set_property(e->attributes, key, Value(a.second));
        }
        if (map_ids) map_id(document, e);
        at = i;
        if (!closed) current = e;
      }
    }
    if (current != document) status = -9;
  }
};

XmlNode* self_node(CallInfo& call) { return node_of(call.this_value); }

// A number the way the node constructor reads its type: an object's
// valueOf alone is asked.
double type_number(Runtime& rt, const Value& v) {
  Object* o = v.as_object();
  if (!o || o->is_clip()) return rt.to_number(v);
  Value method;
  if (!rt.find_property(o, "valueOf", method) || !rt.is_callable(method)) return std::nan("");
  Value r = rt.call(method, v, nullptr, 0);
  return r.is_object() ? std::nan("") : rt.to_number(r);
}

Value node_constructor(Runtime& rt, CallInfo& call) {
  // Without both a type and a value no node is made, only an object of
  // the class.
  if (!call.constructing) return Value();
  if (call.count < 2 || call.arg(0).is_undefined() || call.arg(1).is_undefined())
    return Value::object(rt.make_object(node_prototype(rt)));
  // Type 1 makes an element; any other makes a text node.
  int type = type_number(rt, call.arg(0)) == kElement ? kElement : kTextNode;
  XmlNode* n = make_node(rt, type, Value(name_text(rt, call.arg(1))));
  add_node_properties(n->proto());
  return Value::object(n);
}

Value node_append_child(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  XmlNode* child = node_of(call.arg(0));
  // A node that is already a child here stays where it is.
  if (!self || !child || child->parent == self || makes_cycle(rt, child, self)) return Value();
  detach(rt, child);
  child->parent = self;
  self->children.push_back(child);
  self->sync_children(rt);
  return Value();
}

Value node_insert_before(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  XmlNode* child = node_of(call.arg(0));
  XmlNode* before = node_of(call.arg(1));
  if (!self || !child || !before || child == before || before->parent != self ||
      makes_cycle(rt, child, self))
    return Value();
  detach(rt, child);
  auto it = std::find(self->children.begin(), self->children.end(), before);
  child->parent = self;
  self->children.insert(it, child);
  self->sync_children(rt);
  return Value();
}

Value node_remove(Runtime& rt, CallInfo& call) {
  if (XmlNode* self = self_node(call)) detach(rt, self);
  return Value();
}

Value node_namespace_for_prefix(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  if (!self || call.count == 0 || call.arg(0).is_undefined()) return Value::null();
  return self->namespace_for(rt.to_string(call.arg(0)).str());
}

Value node_has_children(Runtime&, CallInfo& call) {
  XmlNode* self = self_node(call);
  return Value::boolean(self && !self->children.empty());
}

XmlNode* clone(Runtime& rt, XmlNode* n, bool deep, int depth) {
  XmlNode* c = make_node(rt, n->type, n->type == kElement ? n->name : n->value, n->proto());
  for (const Property& p : n->attributes->properties().list())
    c->attributes->put(p.name, p.value, p.flags);
  if (deep && depth < 256)
    for (XmlNode* child : n->children) {
      XmlNode* cc = clone(rt, child, true, depth + 1);
      cc->parent = c;
      c->children.push_back(cc);
    }
  return c;
}

Value node_clone(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  if (!self) return Value();
  return Value::object(clone(rt, self, rt.to_boolean(call.arg(0)), 0));
}

Value node_to_string(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  // An object of the class that is no node has no text of its own.
  if (!self) return call.this_value;
  std::string out;
  if (self->object_class() == ObjectClass::xml_node && !self->parent) {
    Value decl = rt.get_property(self, "xmlDecl");
    Value doctype = rt.get_property(self, "docTypeDecl");
    if (decl.is_string()) out += decl.string_text();
    if (doctype.is_string()) out += doctype.string_text();
  }
  return Value(out + serialize(rt, self, 0));
}

Value xml_parse(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  if (!self) return Value();
  for (XmlNode* c : self->children) c->parent = nullptr;
  self->children.clear();
  std::string text = rt.to_string(call.arg(0)).str();
  bool ignore_white = rt.to_boolean(rt.get_property(self, "ignoreWhite"));
  Parser p{rt, text, ignore_white, self->document, 0, 0, std::string(), std::string()};
  p.parse(self);
  self->sync_children(rt);
  if (self->document) {
    self->status = Value::number(p.status);
    self->xml_decl = p.xml_decl.empty() ? Value() : Value(p.xml_decl);
    self->doctype = p.doctype.empty() ? Value() : Value(p.doctype);
  } else {
    rt.set_property(self, "status", Value::number(p.status));
  }
  return Value();
}

Value xml_constructor(Runtime& rt, CallInfo& call) {
  if (!call.constructing) return Value();
  XmlNode* doc =
      make_node(rt, kElement, Value::null(),
                current_prototype(rt, rt.known().xml_constructor, rt.known().xml_prototype));
  add_document_properties(doc->proto());
  doc->document = true;
  if (call.count > 0 && !call.arg(0).is_nullish()) {
    CallInfo parse;
    parse.this_value = Value::object(doc);
    parse.args = call.args;
    parse.count = 1;
    xml_parse(rt, parse);
  }
  return Value::object(doc);
}

Value xml_create_element(Runtime& rt, CallInfo& call) {
  XmlNode* n = make_node(rt, kElement, Value(rt.to_string(call.arg(0))));
  add_node_properties(n->proto());
  return Value::object(n);
}

Value xml_create_text(Runtime& rt, CallInfo& call) {
  XmlNode* n = make_node(rt, kTextNode, Value(rt.to_string(call.arg(0))));
  add_node_properties(n->proto());
  return Value::object(n);
}

Value xml_load(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  if (!self || call.count == 0 || !rt.engine()) return Value::boolean(false);
  rt.set_property(self, "loaded", Value::boolean(false));
  return Value::boolean(rt.engine()->load_into(self, rt.to_string(call.arg(0)).str(), "GET", ""));
}

Value xml_send_and_load(Runtime& rt, CallInfo& call) {
  XmlNode* self = self_node(call);
  Object* target = call.arg(1).as_object();
  if (!self || !target || !rt.engine()) return Value::boolean(false);
  rt.set_property(target, "loaded", Value::boolean(false));
  std::string body = serialize(rt, self, 0);
  return Value::boolean(
      rt.engine()->load_into(target, rt.to_string(call.arg(0)).str(), "POST", body));
}

Value xml_on_data(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  bool ok = !call.arg(0).is_undefined();
  if (ok) rt.call_method(Value::object(self), "parseXML", {call.arg(0)});
  rt.set_property(self, "loaded", Value::boolean(ok));
  rt.call_method(Value::object(self), "onLoad", {Value::boolean(ok)});
  return Value();
}

Value nothing(Runtime&, CallInfo&) { return Value(); }

}  // namespace

void install_xml_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* node_proto = rt.make_object();
  k.xml_node_prototype = node_proto;
  FunctionObject* node_ctor = rt.make_class(node_constructor, node_proto);
  node_ctor->makes_own_object = true;
  k.xml_node_constructor = node_ctor;
  rt.global()->define("XMLNode", Value::object(node_ctor), kDontEnum);
  rt.add_method(node_proto, "appendChild", node_append_child);
  rt.add_method(node_proto, "insertBefore", node_insert_before);
  rt.add_method(node_proto, "removeNode", node_remove);
  rt.add_method(node_proto, "hasChildNodes", node_has_children);
  rt.add_method(node_proto, "getNamespaceForPrefix", node_namespace_for_prefix);
  rt.add_method(node_proto, "cloneNode", node_clone);
  rt.add_method(node_proto, "toString", node_to_string);
  add_node_properties(node_proto);

  Object* xml_proto = rt.make_object(node_proto);
  k.xml_prototype = xml_proto;
  FunctionObject* xml_ctor = rt.make_class(xml_constructor, xml_proto);
  xml_ctor->makes_own_object = true;
  k.xml_constructor = xml_ctor;
  rt.global()->define("XML", Value::object(xml_ctor), kDontEnum);
  rt.add_method(xml_proto, "parseXML", xml_parse);
  rt.add_method(xml_proto, "createElement", xml_create_element);
  rt.add_method(xml_proto, "createTextNode", xml_create_text);
  rt.add_method(xml_proto, "load", xml_load);
  rt.add_method(xml_proto, "sendAndLoad", xml_send_and_load);
  rt.add_method(xml_proto, "send", nothing);
  rt.add_method(xml_proto, "onData", xml_on_data);
  rt.add_method(xml_proto, "addRequestHeader", add_request_header);
  rt.add_method(xml_proto, "getBytesLoaded", nothing);
  rt.add_method(xml_proto, "getBytesTotal", nothing);
}

}  // namespace avm1
