// Action codes and the record format: a code byte, and for codes from 0x80
// a 16-bit length and that many bytes of payload. The decoder never reads
// past the end it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace avm1 {

enum ActionCode : uint8_t {
  kActionEnd = 0x00,
  kActionNextFrame = 0x04,
  kActionPreviousFrame = 0x05,
  kActionPlay = 0x06,
  kActionStop = 0x07,
  kActionToggleQuality = 0x08,
  kActionStopSounds = 0x09,
  kActionAdd = 0x0A,
  kActionSubtract = 0x0B,
  kActionMultiply = 0x0C,
  kActionDivide = 0x0D,
  kActionEquals = 0x0E,
  kActionLess = 0x0F,
  kActionAnd = 0x10,
  kActionOr = 0x11,
  kActionNot = 0x12,
  kActionStringEquals = 0x13,
  kActionStringLength = 0x14,
  kActionStringExtract = 0x15,
  kActionPop = 0x17,
  kActionToInteger = 0x18,
  kActionGetVariable = 0x1C,
  kActionSetVariable = 0x1D,
  kActionSetTarget2 = 0x20,
  kActionStringAdd = 0x21,
  kActionGetProperty = 0x22,
  kActionSetProperty = 0x23,
  kActionCloneSprite = 0x24,
  kActionRemoveSprite = 0x25,
  kActionTrace = 0x26,
  kActionStartDrag = 0x27,
  kActionEndDrag = 0x28,
  kActionStringLess = 0x29,
  kActionThrow = 0x2A,
  kActionCastOp = 0x2B,
  kActionImplementsOp = 0x2C,
  kActionRandomNumber = 0x30,
  kActionMBStringLength = 0x31,
  kActionCharToAscii = 0x32,
  kActionAsciiToChar = 0x33,
  kActionGetTime = 0x34,
  kActionMBStringExtract = 0x35,
  kActionMBCharToAscii = 0x36,
  kActionMBAsciiToChar = 0x37,
  kActionDelete = 0x3A,
  kActionDelete2 = 0x3B,
  kActionDefineLocal = 0x3C,
  kActionCallFunction = 0x3D,
  kActionReturn = 0x3E,
  kActionModulo = 0x3F,
  kActionNewObject = 0x40,
  kActionDefineLocal2 = 0x41,
  kActionInitArray = 0x42,
  kActionInitObject = 0x43,
  kActionTypeOf = 0x44,
  kActionTargetPath = 0x45,
  kActionEnumerate = 0x46,
  kActionAdd2 = 0x47,
  kActionLess2 = 0x48,
  kActionEquals2 = 0x49,
  kActionToNumber = 0x4A,
  kActionToString = 0x4B,
  kActionPushDuplicate = 0x4C,
  kActionStackSwap = 0x4D,
  kActionGetMember = 0x4E,
  kActionSetMember = 0x4F,
  kActionIncrement = 0x50,
  kActionDecrement = 0x51,
  kActionCallMethod = 0x52,
  kActionNewMethod = 0x53,
  kActionInstanceOf = 0x54,
  kActionEnumerate2 = 0x55,
  kActionBitAnd = 0x60,
  kActionBitOr = 0x61,
  kActionBitXor = 0x62,
  kActionBitLShift = 0x63,
  kActionBitRShift = 0x64,
  kActionBitURShift = 0x65,
  kActionStrictEquals = 0x66,
  kActionGreater = 0x67,
  kActionStringGreater = 0x68,
  kActionExtends = 0x69,
  kActionGotoFrame = 0x81,
  kActionGetURL = 0x83,
  kActionStoreRegister = 0x87,
  kActionConstantPool = 0x88,
  kActionWaitForFrame = 0x8A,
  kActionSetTarget = 0x8B,
  kActionGotoLabel = 0x8C,
  kActionWaitForFrame2 = 0x8D,
  kActionDefineFunction2 = 0x8E,
  kActionTry = 0x8F,
  kActionWith = 0x94,
  kActionPush = 0x96,
  kActionJump = 0x99,
  kActionGetURL2 = 0x9A,
  kActionDefineFunction = 0x9B,
  kActionIf = 0x9D,
  kActionCall = 0x9E,
  kActionGotoFrame2 = 0x9F,
};

// One decoded record.
struct ActionRecord {
  uint8_t code = 0;
  size_t offset = 0;          // of the code byte
  size_t payload = 0;         // offset of the payload
  size_t payload_length = 0;  // 0 for codes below 0x80
  size_t next = 0;            // offset of the following record
};

// Decodes the record at `offset` of data[0, end); false when it does not
// fit (a cut record ends the list).
bool decode_action(const uint8_t* data, size_t end, size_t offset, ActionRecord& out);

// The mnemonic of a code ("Push", "GetVariable", ...), "Unknown" for
// others.
const char* action_name(uint8_t code);

// A readable listing of an action list, one record per line (for tracing
// and debugging tools).
std::string disassemble(const uint8_t* data, size_t size);

}  // namespace avm1
