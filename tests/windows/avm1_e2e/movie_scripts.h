// Script pieces the end-to-end movies share, spelled with the action
// assembler: the ExternalInterface class, API calls with text arguments,
// and a Base64 decoder written in ActionScript (the movie decodes the API's
// text answers itself, as a movie author's code does).
#pragma once

#include <string>
#include <vector>

#include "action_writer.h"
#include "swfwriter/swf_writer.h"

namespace e2e {

// flash.external.ExternalInterface
inline void push_external_interface(Actions& a) {
  a.get("flash").member("external").member("ExternalInterface");
}

// ExternalInterface.call(name, args...) with text arguments; leaves the
// answer on the stack.
inline void api_call(Actions& a, const std::string& name, const std::vector<std::string>& args) {
  for (size_t i = args.size(); i-- > 0;) a.push_string(args[i]);
  a.push_string(name);
  a.call_method(static_cast<int>(args.size()) + 1, push_external_interface, "call");
}

// Same, with one argument taken from a variable (a handle id kept by the
// movie) in front of the texts.
inline void api_call_on(Actions& a, const std::string& name, const std::string& id_variable,
                        const std::vector<std::string>& args) {
  for (size_t i = args.size(); i-- > 0;) a.push_string(args[i]);
  a.get(id_variable);
  a.push_string(name);
  a.call_method(static_cast<int>(args.size()) + 2, push_external_interface, "call");
}

// trace(label + <value the function pushes>)
template <typename F>
void trace_labelled(Actions& a, const std::string& label, F value) {
  a.push_string(label);
  value(a);
  a.add().trace();
}

// function b64(s): the bytes a Base64 text stands for, four characters at
// a time; "=" ends a group early.
inline void define_base64_decoder(Actions& a) {
  Actions f;
  f.local("k", [](Actions& x) {
    x.push_string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=");
  });
  f.local("o", [](Actions& x) { x.push_string(""); });
  f.local("i", [](Actions& x) { x.push_int(0); });
  f.label("loop");
  f.get("i").get("s").member("length").op(0x48 /* Less2 */).op(0x12 /* Not */).branch_if("end");
  const char* names[4] = {"a", "b", "c", "d"};
  for (int j = 0; j < 4; ++j) {
    f.local(names[j], [j](Actions& x) {
      // k.indexOf(s.charAt(i + j))
      x.get("i").push_int(j).add();
      x.call_method(
          1, [](Actions& y) { y.get("s"); }, "charAt");
      x.call_method(
          1, [](Actions& y) { y.get("k"); }, "indexOf");
    });
  }
  auto append_char = [](Actions& x, void (*code)(Actions&)) {
    x.set("o", [code](Actions& y) {
      y.get("o");
      code(y);
      y.call_method(
          1, [](Actions& z) { z.get("String"); }, "fromCharCode");
      y.add();
    });
  };
  // (a << 2) | (b >> 4)
  append_char(f, [](Actions& y) {
    y.get("a").push_int(2).op(0x63).get("b").push_int(4).op(0x64).op(0x61);
  });
  f.get("c").push_int(64).op(0x49 /* Equals2 */).branch_if("skip1");
  // ((b & 15) << 4) | (c >> 2)
  append_char(f, [](Actions& y) {
    y.get("b").push_int(15).op(0x60).push_int(4).op(0x63).get("c").push_int(2).op(0x64).op(0x61);
  });
  f.label("skip1");
  f.get("d").push_int(64).op(0x49).branch_if("skip2");
  // ((c & 3) << 6) | d
  append_char(f, [](Actions& y) {
    y.get("c").push_int(3).op(0x60).push_int(6).op(0x63).get("d").op(0x61);
  });
  f.label("skip2");
  f.set("i", [](Actions& x) { x.get("i").push_int(4).add(); });
  f.jump("loop");
  f.label("end");
  f.get("o").ret();
  a.define_function("b64", {"s"}, f);
}

// b64(<value the function pushes>)
template <typename F>
void decoded(Actions& a, F value) {
  value(a);
  a.call_function(1, "b64");
}

// A movie of `frames` empty frames whose first frame runs `script`.
inline swfwriter::Bytes script_movie(const Actions& script, uint16_t frames = 1,
                                     double frame_rate = 30) {
  swfwriter::Movie movie;
  movie.width_twips = 320 * 20;
  movie.height_twips = 240 * 20;
  movie.frame_rate = frame_rate;
  movie.frame_count = frames;
  movie.do_action(script.finish());
  for (uint16_t i = 0; i < frames; ++i) movie.show_frame();
  return movie.finish();
}

}  // namespace e2e
