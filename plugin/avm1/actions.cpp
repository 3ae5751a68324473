#include "avm1/actions.h"

#include <cstdio>
#include <cstring>

namespace avm1 {

bool decode_action(const uint8_t* data, size_t end, size_t offset, ActionRecord& out) {
  if (offset >= end) return false;
  out.code = data[offset];
  out.offset = offset;
  if (out.code < 0x80) {
    out.payload = offset + 1;
    out.payload_length = 0;
    out.next = offset + 1;
    return true;
  }
  if (offset + 3 > end) return false;
  size_t length = data[offset + 1] | (data[offset + 2] << 8);
  if (offset + 3 + length > end) return false;
  out.payload = offset + 3;
  out.payload_length = length;
  out.next = offset + 3 + length;
  return true;
}

const char* action_name(uint8_t code) {
  switch (code) {
    case kActionEnd:
      return "End";
    case kActionNextFrame:
      return "NextFrame";
    case kActionPreviousFrame:
      return "PreviousFrame";
    case kActionPlay:
      return "Play";
    case kActionStop:
      return "Stop";
    case kActionToggleQuality:
      return "ToggleQuality";
    case kActionStopSounds:
      return "StopSounds";
    case kActionAdd:
      return "Add";
    case kActionSubtract:
      return "Subtract";
    case kActionMultiply:
      return "Multiply";
    case kActionDivide:
      return "Divide";
    case kActionEquals:
      return "Equals";
    case kActionLess:
      return "Less";
    case kActionAnd:
      return "And";
    case kActionOr:
      return "Or";
    case kActionNot:
      return "Not";
    case kActionStringEquals:
      return "StringEquals";
    case kActionStringLength:
      return "StringLength";
    case kActionStringExtract:
      return "StringExtract";
    case kActionPop:
      return "Pop";
    case kActionToInteger:
      return "ToInteger";
    case kActionGetVariable:
      return "GetVariable";
    case kActionSetVariable:
      return "SetVariable";
    case kActionSetTarget2:
      return "SetTarget2";
    case kActionStringAdd:
      return "StringAdd";
    case kActionGetProperty:
      return "GetProperty";
    case kActionSetProperty:
      return "SetProperty";
    case kActionCloneSprite:
      return "CloneSprite";
    case kActionRemoveSprite:
      return "RemoveSprite";
    case kActionTrace:
      return "Trace";
    case kActionStartDrag:
      return "StartDrag";
    case kActionEndDrag:
      return "EndDrag";
    case kActionStringLess:
      return "StringLess";
    case kActionThrow:
      return "Throw";
    case kActionCastOp:
      return "CastOp";
    case kActionImplementsOp:
      return "ImplementsOp";
    case kActionRandomNumber:
      return "RandomNumber";
    case kActionMBStringLength:
      return "MBStringLength";
    case kActionCharToAscii:
      return "CharToAscii";
    case kActionAsciiToChar:
      return "AsciiToChar";
    case kActionGetTime:
      return "GetTime";
    case kActionMBStringExtract:
      return "MBStringExtract";
    case kActionMBCharToAscii:
      return "MBCharToAscii";
    case kActionMBAsciiToChar:
      return "MBAsciiToChar";
    case kActionDelete:
      return "Delete";
    case kActionDelete2:
      return "Delete2";
    case kActionDefineLocal:
      return "DefineLocal";
    case kActionCallFunction:
      return "CallFunction";
    case kActionReturn:
      return "Return";
    case kActionModulo:
      return "Modulo";
    case kActionNewObject:
      return "NewObject";
    case kActionDefineLocal2:
      return "DefineLocal2";
    case kActionInitArray:
      return "InitArray";
    case kActionInitObject:
      return "InitObject";
    case kActionTypeOf:
      return "TypeOf";
    case kActionTargetPath:
      return "TargetPath";
    case kActionEnumerate:
      return "Enumerate";
    case kActionAdd2:
      return "Add2";
    case kActionLess2:
      return "Less2";
    case kActionEquals2:
      return "Equals2";
    case kActionToNumber:
      return "ToNumber";
    case kActionToString:
      return "ToString";
    case kActionPushDuplicate:
      return "PushDuplicate";
    case kActionStackSwap:
      return "StackSwap";
    case kActionGetMember:
      return "GetMember";
    case kActionSetMember:
      return "SetMember";
    case kActionIncrement:
      return "Increment";
    case kActionDecrement:
      return "Decrement";
    case kActionCallMethod:
      return "CallMethod";
    case kActionNewMethod:
      return "NewMethod";
    case kActionInstanceOf:
      return "InstanceOf";
    case kActionEnumerate2:
      return "Enumerate2";
    case kActionBitAnd:
      return "BitAnd";
    case kActionBitOr:
      return "BitOr";
    case kActionBitXor:
      return "BitXor";
    case kActionBitLShift:
      return "BitLShift";
    case kActionBitRShift:
      return "BitRShift";
    case kActionBitURShift:
      return "BitURShift";
    case kActionStrictEquals:
      return "StrictEquals";
    case kActionGreater:
      return "Greater";
    case kActionStringGreater:
      return "StringGreater";
    case kActionExtends:
      return "Extends";
    case kActionGotoFrame:
      return "GotoFrame";
    case kActionGetURL:
      return "GetURL";
    case kActionStoreRegister:
      return "StoreRegister";
    case kActionConstantPool:
      return "ConstantPool";
    case kActionWaitForFrame:
      return "WaitForFrame";
    case kActionSetTarget:
      return "SetTarget";
    case kActionGotoLabel:
      return "GotoLabel";
    case kActionWaitForFrame2:
      return "WaitForFrame2";
    case kActionDefineFunction2:
      return "DefineFunction2";
    case kActionTry:
      return "Try";
    case kActionWith:
      return "With";
    case kActionPush:
      return "Push";
    case kActionJump:
      return "Jump";
    case kActionGetURL2:
      return "GetURL2";
    case kActionDefineFunction:
      return "DefineFunction";
    case kActionIf:
      return "If";
    case kActionCall:
      return "Call";
    case kActionGotoFrame2:
      return "GotoFrame2";
    default:
      return "Unknown";
  }
}

namespace {

// Bounded readers over a payload.
struct Reader {
  const uint8_t* p;
  size_t n, at = 0;
  bool ok = true;
  uint8_t u8() {
    if (at + 1 > n) {
      ok = false;
      return 0;
    }
    return p[at++];
  }
  uint16_t u16() {
    uint16_t lo = u8();
    return static_cast<uint16_t>(lo | (u8() << 8));
  }
  uint32_t u32() {
    uint32_t lo = u16();
    return lo | (static_cast<uint32_t>(u16()) << 16);
  }
  std::string string() {
    size_t start = at;
    while (at < n && p[at]) ++at;
    if (at >= n) {
      ok = false;
      return std::string(reinterpret_cast<const char*>(p + start), n - start);
    }
    std::string s(reinterpret_cast<const char*>(p + start), at - start);
    ++at;
    return s;
  }
};

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string payload_text(const ActionRecord& r, const uint8_t* data) {
  Reader in{data + r.payload, r.payload_length};
  char buffer[64];
  std::string out;
  switch (r.code) {
    case kActionPush:
      while (in.ok && in.at < in.n) {
        uint8_t type = in.u8();
        if (!out.empty()) out += ", ";
        switch (type) {
          case 0:
            out += quoted(in.string());
            break;
          case 1: {
            uint32_t bits = in.u32();
            float f;
            std::memcpy(&f, &bits, 4);
            std::snprintf(buffer, sizeof buffer, "%g", f);
            out += buffer;
            break;
          }
          case 2:
            out += "null";
            break;
          case 3:
            out += "undefined";
            break;
          case 4:
            out += "r" + std::to_string(in.u8());
            break;
          case 5:
            out += in.u8() ? "true" : "false";
            break;
          case 6: {
            uint64_t hi = in.u32();
            uint64_t lo = in.u32();
            uint64_t bits = (hi << 32) | lo;
            double d;
            std::memcpy(&d, &bits, 8);
            std::snprintf(buffer, sizeof buffer, "%.17g", d);
            out += buffer;
            break;
          }
          case 7:
            out += std::to_string(static_cast<int32_t>(in.u32()));
            break;
          case 8:
            out += "c" + std::to_string(in.u8());
            break;
          case 9:
            out += "c" + std::to_string(in.u16());
            break;
          default:
            out += "?";
            in.ok = false;
            break;
        }
      }
      return out;
    case kActionConstantPool: {
      uint16_t count = in.u16();
      for (uint16_t i = 0; i < count && in.ok; ++i) {
        if (i) out += ", ";
        out += std::to_string(i) + ":" + quoted(in.string());
      }
      return out;
    }
    case kActionGotoFrame:
    case kActionJump:
    case kActionIf:
    case kActionWith:
      return std::to_string(static_cast<int16_t>(in.u16()));
    case kActionGetURL: {
      std::string url = in.string();
      return quoted(url) + ", " + quoted(in.string());
    }
    case kActionSetTarget:
    case kActionGotoLabel:
      return quoted(in.string());
    case kActionStoreRegister:
    case kActionGetURL2:
    case kActionWaitForFrame2:
      return std::to_string(in.u8());
    case kActionWaitForFrame: {
      uint16_t frame = in.u16();
      return std::to_string(frame) + ", " + std::to_string(in.u8());
    }
    case kActionGotoFrame2: {
      uint8_t flags = in.u8();
      out = "flags " + std::to_string(flags);
      if (flags & 2) out += ", bias " + std::to_string(in.u16());
      return out;
    }
    case kActionDefineFunction: {
      out = quoted(in.string()) + " (";
      uint16_t params = in.u16();
      for (uint16_t i = 0; i < params && in.ok; ++i) out += (i ? ", " : "") + in.string();
      return out + ") size " + std::to_string(in.u16());
    }
    case kActionDefineFunction2: {
      out = quoted(in.string()) + " (";
      uint16_t params = in.u16();
      uint8_t registers = in.u8();
      uint16_t flags = in.u16();
      for (uint16_t i = 0; i < params && in.ok; ++i) {
        uint8_t reg = in.u8();
        out +=
            (i ? ", " : "") + std::string(reg ? "r" + std::to_string(reg) + ":" : "") + in.string();
      }
      std::snprintf(buffer, sizeof buffer, ") regs %u flags 0x%04x size ", registers, flags);
      return out + buffer + std::to_string(in.u16());
    }
    case kActionTry: {
      uint8_t flags = in.u8();
      uint16_t try_size = in.u16(), catch_size = in.u16(), finally_size = in.u16();
      std::snprintf(buffer, sizeof buffer, "flags %u try %u catch %u finally %u ", flags, try_size,
                    catch_size, finally_size);
      out = buffer;
      if (flags & 4)
        out += "r" + std::to_string(in.u8());
      else
        out += quoted(in.string());
      return out;
    }
    default:
      return std::string();
  }
}

}  // namespace

std::string disassemble(const uint8_t* data, size_t size) {
  std::string out;
  ActionRecord r;
  size_t at = 0;
  while (decode_action(data, size, at, r)) {
    char head[32];
    std::snprintf(head, sizeof head, "%5zu  ", r.offset);
    out += head;
    out += action_name(r.code);
    std::string payload = payload_text(r, data);
    if (!payload.empty()) out += " " + payload;
    out += "\n";
    if (r.code == kActionEnd) break;
    at = r.next;
  }
  return out;
}

}  // namespace avm1
