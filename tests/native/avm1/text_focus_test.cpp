// Text fields as script objects across versions, the keyboard focus that
// Selection moves (with its events), _focusrect, and sounds made for a field.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::call;
using avm1_test::Push;
using avm1_test::run;

namespace {

Asm& member(Asm& a, const std::string& object, const std::string& name) {
  return a.get(object).push({Push(name)}).op(avm1::kActionGetMember);
}

Asm& assign(Asm& a, const std::string& object, const std::string& name, Push value) {
  return a.get(object).push({Push(name), value}).op(avm1::kActionSetMember);
}

// var = this.<method>(args...)
Asm& made(Asm& a, const std::string& var, const std::string& method,
          std::initializer_list<Push> args) {
  a.push({Push(var)});
  call(a, "this", method, args);
  return a.op(avm1::kActionSetVariable);
}

// var = new cls(args...)
Asm& made_new(Asm& a, const std::string& var, const std::string& cls,
              std::initializer_list<Push> args) {
  a.push({Push(var)});
  std::vector<Push> reversed(args.begin(), args.end());
  for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
  a.push({Push(static_cast<int>(args.size())), Push(cls)}).op(avm1::kActionNewObject);
  return a.op(avm1::kActionSetVariable);
}

// object.name = function (param) { trace(prefix + param + " / " + Selection.getFocus()); }
Asm& focus_handler(Asm& a, const std::string& object, const std::string& name,
                   const std::vector<std::string>& params, const std::string& prefix) {
  Asm body;
  body.push({Push(prefix)});
  for (const std::string& p : params)
    body.get(p).op(avm1::kActionAdd2).push({Push(" ")}).op(avm1::kActionAdd2);
  body.push({Push("/ ")}).op(avm1::kActionAdd2);
  call(body, "Selection", "getFocus", {}).op(avm1::kActionAdd2).op(avm1::kActionTrace);
  a.get(object).push({Push(name)}).function("", params, body);
  return a.op(avm1::kActionSetMember);
}

// A field made by script: SWF 5 movies can make one but see no field
// members or methods; replaceText changes the text only from SWF 7 on.
Asm text_field_script() {
  Asm a;
  call(a, "this", "createTextField", {Push("t"), Push(1), Push(0), Push(0), Push(100), Push(20)})
      .op(avm1::kActionPop);
  assign(a, "t", "text", Push("Hello"));
  call(a, "t", "replaceText", {Push(0), Push(1), Push("J\n")}).op(avm1::kActionPop);
  member(a, "t", "text").op(avm1::kActionTrace);
  member(a, "t", "length").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  member(a, "t", "getDepth").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  return a;
}

TEST(Avm1TextFields, FieldMembersAndReplaceTextFollowTheMovieVersion) {
  Asm a = text_field_script();
  EXPECT_EQ(run(a, 5), "Hello\nundefined\nundefined\n");
  EXPECT_EQ(run(a, 6), "Hello\nnumber\nfunction\n");
  EXPECT_EQ(run(a, 7), "J\rello\nnumber\nfunction\n");
}

// Before SWF 7 a field without markup gives its text as htmlText; the
// kind, variable, autoSize and styleSheet setters ask an object's valueOf.
TEST(Avm1TextFields, HtmlTextByVersionAndSettersThatAskValueOf) {
  Asm a;
  call(a, "this", "createTextField", {Push("t"), Push(1), Push(0), Push(0), Push(100), Push(20)})
      .op(avm1::kActionPop);
  assign(a, "t", "text", Push("a<b"));
  member(a, "t", "htmlText").op(avm1::kActionTrace);
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  Asm body;
  body.trace({Push("valueOf")}).push({Push(1)}).op(avm1::kActionReturn);
  a.get("o").push({Push("valueOf")}).function("", {}, body).op(avm1::kActionSetMember);
  for (const char* name : {"type", "variable", "autoSize", "styleSheet"})
    a.get("t").push({Push(name)}).get("o").op(avm1::kActionSetMember);
  // An empty restriction list leaves an unrestricted field so, and clears
  // another's list.
  assign(a, "t", "restrict", Push(""));
  member(a, "t", "restrict").op(avm1::kActionTrace);
  assign(a, "t", "restrict", Push("abc"));
  assign(a, "t", "restrict", Push(""));
  member(a, "t", "restrict").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "a<b\nvalueOf\nvalueOf\nvalueOf\nvalueOf\nnull\nstring\n");
  EXPECT_EQ(run(a, 7).substr(0, 17), "<P ALIGN=\"LEFT\"><");
}

TEST(Avm1TextFields, SoundsMadeForAFieldKeepTheirOwnLevels) {
  Asm a;
  call(a, "this", "createTextField", {Push("t"), Push(1), Push(0), Push(0), Push(100), Push(20)})
      .op(avm1::kActionPop);
  a.push({Push("s")}).get("t");
  a.push({Push(1), Push("Sound")}).op(avm1::kActionNewObject).op(avm1::kActionSetVariable);
  call(a, "s", "setVolume", {Push(30)}).op(avm1::kActionPop);
  made_new(a, "g", "Sound", {});
  call(a, "s", "getVolume", {}).op(avm1::kActionTrace);
  call(a, "g", "getVolume", {}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "30\n100\n");
}

// trace(TextField.prototype.hasOwnProperty("text"))
Asm& trace_prototype_has_text(Asm& a) {
  a.push({Push("text"), Push(1)}).get("TextField").push({Push("prototype")});
  a.op(avm1::kActionGetMember).push({Push("hasOwnProperty")}).op(avm1::kActionCallMethod);
  return a.op(avm1::kActionTrace);
}

// The prototype gets the field members when a field is first made, and a
// prototype put in its place gets them with the next field.
TEST(Avm1TextFields, PrototypeGetsTheFieldMembersWithTheFirstField) {
  Asm a;
  trace_prototype_has_text(a);
  call(a, "this", "createTextField", {Push("t"), Push(1), Push(0), Push(0), Push(100), Push(20)})
      .op(avm1::kActionPop);
  trace_prototype_has_text(a);
  a.get("TextField").push({Push("prototype"), Push(0), Push("Object")});
  a.op(avm1::kActionNewObject).op(avm1::kActionSetMember);
  trace_prototype_has_text(a);
  made_new(a, "f", "TextField", {});
  trace_prototype_has_text(a);
  member(a, "t", "text").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "false\ntrue\nfalse\ntrue\nstring\n");
}

// A field's variable that is not set yet takes the field's defined text
// (scripts' changes are let go); a field defined without text leaves it
// unset.
TEST(Avm1TextFields, RebindingToANewVariableStartsFromTheDefinedText) {
  swfwriter::Movie m;
  m.version = 8;
  m.frame_rate = 20;
  m.frame_count = 1;
  swfwriter::EditText with_text;
  with_text.has_text = true;
  with_text.text = "Defined";
  with_text.variable_name = "first";
  swfwriter::EditText without_text;
  without_text.variable_name = "other";
  m.define_edit_text(1, with_text);
  m.define_edit_text(2, without_text);
  swfwriter::Placement p = swfwriter::Placement::place(1, 1);
  p.name = "t";
  m.place(p);
  m.place(swfwriter::Placement::place(2, 2));
  Asm a;
  assign(a, "t", "text", Push("Changed"));
  member(a, "_root", "first").op(avm1::kActionTrace);
  assign(a, "t", "variable", Push("second"));
  member(a, "_root", "second").op(avm1::kActionTrace);
  member(a, "t", "text").op(avm1::kActionTrace);
  member(a, "_root", "other").op(avm1::kActionTypeOf).op(avm1::kActionTrace);
  m.do_action(a.finished());
  m.show_frame();
  m.end();
  EXPECT_EQ(avm1_test::run_movie(m.finish()), "Changed\nDefined\nDefined\nundefined\n");
}

// The old holder hears of the loss before the new one of the gain, and
// the listeners last; only what can take the focus gets it.
TEST(Avm1Selection, SetFocusSendsKillSetAndListenerEventsInOrder) {
  Asm a;
  made(a, "a", "createEmptyMovieClip", {Push("a"), Push(1)});
  made(a, "b", "createEmptyMovieClip", {Push("b"), Push(2)});
  made(a, "c", "createEmptyMovieClip", {Push("c"), Push(3)});
  assign(a, "a", "focusEnabled", Push::b(true));
  assign(a, "b", "focusEnabled", Push::b(true));
  focus_handler(a, "a", "onKillFocus", {"next"}, "kill a ");
  focus_handler(a, "b", "onSetFocus", {"previous"}, "set b ");
  a.push({Push("l"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  focus_handler(a, "l", "onSetFocus", {"from", "to"}, "listener ");
  a.get("l").push({Push(1)}).get("Selection").push({Push("addListener")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionPop);
  call(a, "Selection", "setFocus", {Push("a")}).op(avm1::kActionTrace);
  call(a, "Selection", "setFocus", {Push("c")}).op(avm1::kActionTrace);
  a.get("b").push({Push(1)}).get("Selection").push({Push("setFocus")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  call(a, "Selection", "setFocus", {Push::null_value()}).op(avm1::kActionTrace);
  call(a, "Selection", "getFocus", {}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6),
            "listener null _level0.a / _level0.a\ntrue\n"
            "false\n"
            "kill a _level0.b / _level0.a\n"
            "set b _level0.a / _level0.b\n"
            "listener _level0.a _level0.b / _level0.b\ntrue\n"
            "listener _level0.b null / null\ntrue\n"
            "null\n");
}

// The movie's _focusrect takes numbers only and keeps its state for what is
// none; a clip's own one takes any value as a flag, and nothing unsets it.
TEST(Avm1Selection, FocusRectOfTheMovieAndOfAClip) {
  Asm a;
  made(a, "m", "createEmptyMovieClip", {Push("m"), Push(1)});
  a.get("_focusrect").op(avm1::kActionTrace);
  a.set("_focusrect", {Push("0")}).get("_focusrect").op(avm1::kActionTrace);
  a.set("_focusrect", {Push::null_value()}).get("_focusrect").op(avm1::kActionTrace);
  a.set("_focusrect", {Push("x")}).get("_focusrect").op(avm1::kActionTrace);
  a.set("_focusrect", {Push(2)}).get("_focusrect").op(avm1::kActionTrace);
  member(a, "m", "_focusrect").op(avm1::kActionTrace);
  assign(a, "m", "_focusrect", Push("x"));
  member(a, "m", "_focusrect").op(avm1::kActionTrace);
  assign(a, "m", "_focusrect", Push::undefined_value());
  member(a, "m", "_focusrect").op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 6), "true\nfalse\nfalse\nfalse\ntrue\nnull\nfalse\nnull\n");
  EXPECT_EQ(run(a, 7), "true\nfalse\nfalse\nfalse\ntrue\nnull\ntrue\nnull\n");
}

}  // namespace
