// NPAPI and npruntime types shared by the browser side (src/flashhost) and
// our plug-in module (plugin/). Written from the published structure
// layouts; field names follow the published ones so that documentation
// applies directly. Portable: Win32 handles (HWND, HDC, HRGN) are void*.
//
// Calling conventions on 32-bit Windows: the module's exported entry points
// (NP_GetEntryPoints, NP_Initialize, NP_Shutdown, Flash_DisableLocalSecurity)
// are __stdcall (NP_CALLBACK); every function pointer inside the tables and
// in NPClass uses the platform default (__cdecl), so those typedefs carry no
// keyword.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define NP_CALLBACK __stdcall
#else
#define NP_CALLBACK
#endif

// ---------------------------------------------------------------------------
// Basic types

typedef unsigned char NPBool;
typedef int16_t NPError;
typedef int16_t NPReason;
typedef char* NPMIMEType;
typedef char NPUTF8;
typedef void* NPIdentifier;
typedef void* NPRegion;  // HRGN

// The version word of both tables is (major << 8) | minor; major is 0.
enum : uint16_t {
  NP_VERSION_MAJOR = 0,
  NPVERS_HAS_NPRUNTIME_SCRIPTING = 14,
  NPVERS_HAS_RESPONSE_HEADERS = 17,
};

// Sizes of the two tables as exchanged by this host.
enum : uint16_t {
  NP_PLUGIN_FUNCS_SIZE = 60,
  NP_NETSCAPE_FUNCS_SIZE = 164,
  NP_NETSCAPE_FUNCS_VERSION = NPVERS_HAS_NPRUNTIME_SCRIPTING,
};

// ---------------------------------------------------------------------------
// Constants

enum : NPError {
  NPERR_NO_ERROR = 0,
  NPERR_GENERIC_ERROR = 1,
  NPERR_INVALID_INSTANCE_ERROR = 2,
  NPERR_INVALID_FUNCTABLE_ERROR = 3,
  NPERR_MODULE_LOAD_FAILED_ERROR = 4,
  NPERR_OUT_OF_MEMORY_ERROR = 5,
  NPERR_INVALID_PLUGIN_ERROR = 6,
  NPERR_INVALID_PLUGIN_DIR_ERROR = 7,
  NPERR_INCOMPATIBLE_VERSION_ERROR = 8,
  NPERR_INVALID_PARAM = 9,
  NPERR_INVALID_URL = 10,
  NPERR_FILE_NOT_FOUND = 11,
  NPERR_NO_DATA = 12,
  NPERR_STREAM_NOT_SEEKABLE = 13,
};

enum : NPReason {
  NPRES_DONE = 0,
  NPRES_NETWORK_ERR = 1,
  NPRES_USER_BREAK = 2,
};

// NPP_New modes.
enum : uint16_t {
  NP_EMBED = 1,
  NP_FULL = 2,
};

// Stream types (*stype in NPP_NewStream).
enum : uint16_t {
  NP_NORMAL = 1,
  NP_SEEK = 2,
  NP_ASFILE = 3,
  NP_ASFILEONLY = 4,
};

enum : int32_t { NP_MAXREADY = 0x7FFFFFFF };

// NPP_HandleEvent results.
enum : int16_t {
  kNPEventNotHandled = 0,
  kNPEventHandled = 1,
  kNPEventStartIME = 2,
};

typedef enum {
  NPWindowTypeWindow = 1,
  NPWindowTypeDrawable = 2,
} NPWindowType;

// Plug-in values: NPP_GetValue, and NPN_SetValue (where booleans travel as
// the pointer value itself).
typedef enum {
  NPPVpluginNameString = 1,
  NPPVpluginDescriptionString = 2,
  NPPVpluginWindowBool = 3,
  NPPVpluginTransparentBool = 4,
  NPPVjavaClass = 5,
  NPPVpluginWindowSize = 6,
  NPPVpluginTimerInterval = 7,
  NPPVpluginScriptableInstance = 10,
  NPPVpluginScriptableIID = 11,
  NPPVjavascriptPushCallerBool = 12,
  NPPVpluginKeepLibraryInMemory = 13,
  NPPVpluginNeedsXEmbed = 14,
  NPPVpluginScriptableNPObject = 15,
  NPPVformValue = 16,
  NPPVpluginUrlRequestsDisplayedBool = 17,
  NPPVpluginWantsAllNetworkStreams = 18,
  NPPVpluginNativeAccessibleAtkPlugId = 19,
  NPPVpluginCancelSrcStream = 20,
  NPPVsupportsAdvancedKeyHandling = 21,
  NPPVpluginUsesDOMForCursorBool = 22,
  NPPVpluginDrawingModel = 1000,
} NPPVariable;

// Host values: NPN_GetValue writes the answer through the pointer (booleans
// as a one-byte NPBool).
typedef enum {
  NPNVxDisplay = 1,
  NPNVxtAppContext = 2,
  NPNVnetscapeWindow = 3,
  NPNVjavascriptEnabledBool = 4,
  NPNVasdEnabledBool = 5,
  NPNVisOfflineBool = 6,
  NPNVserviceManager = 10,
  NPNVDOMElement = 11,
  NPNVDOMWindow = 12,
  NPNVToolkit = 13,
  NPNVSupportsXEmbedBool = 14,
  NPNVWindowNPObject = 15,
  NPNVPluginElementNPObject = 16,
  NPNVSupportsWindowless = 17,
  NPNVprivateModeBool = 18,
  NPNVsupportsAdvancedKeyHandling = 21,
  NPNVdocumentOrigin = 22,
  NPNVCSSZoomFactor = 23,
  NPNVpluginDrawingModel = 1000,
  NPNVcontentsScaleFactor = 1001,
} NPNVariable;

// ---------------------------------------------------------------------------
// Structures

struct NPP_t {
  void* pdata;  // the plug-in's own
  void* ndata;  // the host's own
};
typedef NPP_t* NPP;

struct NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32_t end;           // total length, 0 if unknown
  uint32_t lastmodified;  // seconds since 1970, 0 if unknown
  void* notifyData;
  const char* headers;  // read by plug-ins only when the table version >= 17
};

struct NPByteRange {
  int32_t offset;  // negative: from the end
  uint32_t length;
  NPByteRange* next;
};

struct NPSavedData {
  int32_t len;
  void* buf;
};

// Note the order: top, left, bottom, right (not the Win32 RECT order).
struct NPRect {
  uint16_t top;
  uint16_t left;
  uint16_t bottom;
  uint16_t right;
};

struct NPSize {
  int32_t width;
  int32_t height;
};

// The Windows form (no ws_info member).
struct NPWindow {
  void* window;  // HWND for NPWindowTypeWindow, HDC for NPWindowTypeDrawable
  int32_t x;
  int32_t y;
  uint32_t width;
  uint32_t height;
  NPRect clipRect;
  NPWindowType type;
};

// The Windows event record handed to NPP_HandleEvent.
struct NPEvent {
  uint16_t event;  // a window message number
  uintptr_t wParam;
  uintptr_t lParam;
};

struct NPFullPrint {
  NPBool pluginPrinted;
  NPBool printOne;
  void* platformPrint;
};

struct NPEmbedPrint {
  NPWindow window;
  void* platformPrint;
};

struct NPPrint {
  uint16_t mode;  // NP_FULL or NP_EMBED
  union {
    NPFullPrint fullPrint;
    NPEmbedPrint embedPrint;
  } print;
};

// ---------------------------------------------------------------------------
// npruntime

struct NPObject;
struct NPClass;

struct NPString {
  const NPUTF8* UTF8Characters;  // not necessarily zero-terminated
  uint32_t UTF8Length;           // in bytes
};

typedef enum {
  NPVariantType_Void = 0,
  NPVariantType_Null = 1,
  NPVariantType_Bool = 2,
  NPVariantType_Int32 = 3,
  NPVariantType_Double = 4,
  NPVariantType_String = 5,
  NPVariantType_Object = 6,
} NPVariantType;

struct NPVariant {
  NPVariantType type;
  union {
    bool boolValue;
    int32_t intValue;
    double doubleValue;
    NPString stringValue;
    NPObject* objectValue;
  } value;
};

typedef NPObject* (*NPAllocateFunctionPtr)(NPP npp, NPClass* aClass);
typedef void (*NPDeallocateFunctionPtr)(NPObject* npobj);
typedef void (*NPInvalidateFunctionPtr)(NPObject* npobj);
typedef bool (*NPHasMethodFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPInvokeFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                    uint32_t argCount, NPVariant* result);
typedef bool (*NPInvokeDefaultFunctionPtr)(NPObject* npobj, const NPVariant* args,
                                           uint32_t argCount, NPVariant* result);
typedef bool (*NPHasPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPGetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, NPVariant* result);
typedef bool (*NPSetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name,
                                         const NPVariant* value);
typedef bool (*NPRemovePropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPEnumerationFunctionPtr)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
typedef bool (*NPConstructFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                       NPVariant* result);

enum : uint32_t {
  NP_CLASS_STRUCT_VERSION_ENUM = 2,
  NP_CLASS_STRUCT_VERSION_CTOR = 3,
  NP_CLASS_STRUCT_VERSION = 3,
};

struct NPClass {
  uint32_t structVersion;
  NPAllocateFunctionPtr allocate;
  NPDeallocateFunctionPtr deallocate;
  NPInvalidateFunctionPtr invalidate;
  NPHasMethodFunctionPtr hasMethod;
  NPInvokeFunctionPtr invoke;
  NPInvokeDefaultFunctionPtr invokeDefault;
  NPHasPropertyFunctionPtr hasProperty;
  NPGetPropertyFunctionPtr getProperty;
  NPSetPropertyFunctionPtr setProperty;
  NPRemovePropertyFunctionPtr removeProperty;
  NPEnumerationFunctionPtr enumerate;  // structVersion >= 2
  NPConstructFunctionPtr construct;    // structVersion >= 3
};

struct NPObject {
  NPClass* _class;
  uint32_t referenceCount;
};

// ---------------------------------------------------------------------------
// Plug-in function table (filled by the module's NP_GetEntryPoints)

typedef NPError (*NPP_NewFunc)(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc,
                               char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyFunc)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowFunc)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamFunc)(NPP instance, NPMIMEType type, NPStream* stream,
                                     NPBool seekable, uint16_t* stype);
typedef NPError (*NPP_DestroyStreamFunc)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileFunc)(NPP instance, NPStream* stream, const char* fname);
typedef int32_t (*NPP_WriteReadyFunc)(NPP instance, NPStream* stream);
typedef int32_t (*NPP_WriteFunc)(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                                 void* buffer);
typedef void (*NPP_PrintFunc)(NPP instance, NPPrint* platformPrint);
typedef int16_t (*NPP_HandleEventFunc)(NPP instance, void* event);
typedef void (*NPP_URLNotifyFunc)(NPP instance, const char* url, NPReason reason, void* notifyData);
typedef NPError (*NPP_GetValueFunc)(NPP instance, NPPVariable variable, void* value);
typedef NPError (*NPP_SetValueFunc)(NPP instance, NPNVariable variable, void* value);

struct NPPluginFuncs {
  uint16_t size;
  uint16_t version;
  NPP_NewFunc newp;
  NPP_DestroyFunc destroy;
  NPP_SetWindowFunc setwindow;
  NPP_NewStreamFunc newstream;
  NPP_DestroyStreamFunc destroystream;
  NPP_StreamAsFileFunc asfile;
  NPP_WriteReadyFunc writeready;
  NPP_WriteFunc write;
  NPP_PrintFunc print;
  NPP_HandleEventFunc event;
  NPP_URLNotifyFunc urlnotify;
  void* javaClass;  // unused
  NPP_GetValueFunc getvalue;
  NPP_SetValueFunc setvalue;
};

// ---------------------------------------------------------------------------
// Browser function table (filled by the host, handed to NP_Initialize)

typedef NPError (*NPN_GetURLFunc)(NPP instance, const char* url, const char* target);
typedef NPError (*NPN_PostURLFunc)(NPP instance, const char* url, const char* target, uint32_t len,
                                   const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadFunc)(NPStream* stream, NPByteRange* rangeList);
typedef NPError (*NPN_NewStreamFunc)(NPP instance, NPMIMEType type, const char* target,
                                     NPStream** stream);
typedef int32_t (*NPN_WriteFunc)(NPP instance, NPStream* stream, int32_t len, void* buffer);
typedef NPError (*NPN_DestroyStreamFunc)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusFunc)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentFunc)(NPP instance);
typedef void* (*NPN_MemAllocFunc)(uint32_t size);
typedef void (*NPN_MemFreeFunc)(void* ptr);
typedef uint32_t (*NPN_MemFlushFunc)(uint32_t size);
typedef void (*NPN_ReloadPluginsFunc)(NPBool reloadPages);
typedef void* (*NPN_GetJavaEnvFunc)(void);
typedef void* (*NPN_GetJavaPeerFunc)(NPP instance);
typedef NPError (*NPN_GetURLNotifyFunc)(NPP instance, const char* url, const char* target,
                                        void* notifyData);
typedef NPError (*NPN_PostURLNotifyFunc)(NPP instance, const char* url, const char* target,
                                         uint32_t len, const char* buf, NPBool file,
                                         void* notifyData);
typedef NPError (*NPN_GetValueFunc)(NPP instance, NPNVariable variable, void* value);
typedef NPError (*NPN_SetValueFunc)(NPP instance, NPPVariable variable, void* value);
typedef void (*NPN_InvalidateRectFunc)(NPP instance, NPRect* rect);
typedef void (*NPN_InvalidateRegionFunc)(NPP instance, NPRegion region);
typedef void (*NPN_ForceRedrawFunc)(NPP instance);
typedef NPIdentifier (*NPN_GetStringIdentifierFunc)(const NPUTF8* name);
typedef void (*NPN_GetStringIdentifiersFunc)(const NPUTF8** names, int32_t nameCount,
                                             NPIdentifier* identifiers);
typedef NPIdentifier (*NPN_GetIntIdentifierFunc)(int32_t intid);
typedef bool (*NPN_IdentifierIsStringFunc)(NPIdentifier identifier);
typedef NPUTF8* (*NPN_UTF8FromIdentifierFunc)(NPIdentifier identifier);
typedef int32_t (*NPN_IntFromIdentifierFunc)(NPIdentifier identifier);
typedef NPObject* (*NPN_CreateObjectFunc)(NPP npp, NPClass* aClass);
typedef NPObject* (*NPN_RetainObjectFunc)(NPObject* obj);
typedef void (*NPN_ReleaseObjectFunc)(NPObject* obj);
typedef bool (*NPN_InvokeFunc)(NPP npp, NPObject* obj, NPIdentifier methodName,
                               const NPVariant* args, uint32_t argCount, NPVariant* result);
typedef bool (*NPN_InvokeDefaultFunc)(NPP npp, NPObject* obj, const NPVariant* args,
                                      uint32_t argCount, NPVariant* result);
typedef bool (*NPN_EvaluateFunc)(NPP npp, NPObject* obj, NPString* script, NPVariant* result);
typedef bool (*NPN_GetPropertyFunc)(NPP npp, NPObject* obj, NPIdentifier propertyName,
                                    NPVariant* result);
typedef bool (*NPN_SetPropertyFunc)(NPP npp, NPObject* obj, NPIdentifier propertyName,
                                    const NPVariant* value);
typedef bool (*NPN_RemovePropertyFunc)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef bool (*NPN_HasPropertyFunc)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef bool (*NPN_HasMethodFunc)(NPP npp, NPObject* obj, NPIdentifier methodName);
typedef void (*NPN_ReleaseVariantValueFunc)(NPVariant* variant);
typedef void (*NPN_SetExceptionFunc)(NPObject* obj, const NPUTF8* message);

struct NPNetscapeFuncs {
  uint16_t size;
  uint16_t version;
  NPN_GetURLFunc geturl;
  NPN_PostURLFunc posturl;
  NPN_RequestReadFunc requestread;
  NPN_NewStreamFunc newstream;
  NPN_WriteFunc write;
  NPN_DestroyStreamFunc destroystream;
  NPN_StatusFunc status;
  NPN_UserAgentFunc uagent;
  NPN_MemAllocFunc memalloc;
  NPN_MemFreeFunc memfree;
  NPN_MemFlushFunc memflush;
  NPN_ReloadPluginsFunc reloadplugins;
  NPN_GetJavaEnvFunc getJavaEnv;
  NPN_GetJavaPeerFunc getJavaPeer;
  NPN_GetURLNotifyFunc geturlnotify;
  NPN_PostURLNotifyFunc posturlnotify;
  NPN_GetValueFunc getvalue;
  NPN_SetValueFunc setvalue;
  NPN_InvalidateRectFunc invalidaterect;
  NPN_InvalidateRegionFunc invalidateregion;
  NPN_ForceRedrawFunc forceredraw;
  NPN_GetStringIdentifierFunc getstringidentifier;
  NPN_GetStringIdentifiersFunc getstringidentifiers;
  NPN_GetIntIdentifierFunc getintidentifier;
  NPN_IdentifierIsStringFunc identifierisstring;
  NPN_UTF8FromIdentifierFunc utf8fromidentifier;
  NPN_IntFromIdentifierFunc intfromidentifier;
  NPN_CreateObjectFunc createobject;
  NPN_RetainObjectFunc retainobject;
  NPN_ReleaseObjectFunc releaseobject;
  NPN_InvokeFunc invoke;
  NPN_InvokeDefaultFunc invokeDefault;
  NPN_EvaluateFunc evaluate;
  NPN_GetPropertyFunc getproperty;
  NPN_SetPropertyFunc setproperty;
  NPN_RemovePropertyFunc removeproperty;
  NPN_HasPropertyFunc hasproperty;
  NPN_HasMethodFunc hasmethod;
  NPN_ReleaseVariantValueFunc releasevariantvalue;
  NPN_SetExceptionFunc setexception;
};

// ---------------------------------------------------------------------------
// The module's exported entry points, looked up by these exact names.

typedef void(NP_CALLBACK* Flash_DisableLocalSecurityFunc)(void);
typedef NPError(NP_CALLBACK* NP_GetEntryPointsFunc)(NPPluginFuncs* funcs);
typedef NPError(NP_CALLBACK* NP_InitializeFunc)(NPNetscapeFuncs* funcs);
typedef NPError(NP_CALLBACK* NP_ShutdownFunc)(void);

// ---------------------------------------------------------------------------
// Layout checks for the 32-bit Windows ABI that both sides are built for.

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(NPP_t) == 8, "NPP_t layout");
static_assert(sizeof(NPStream) == 28, "NPStream layout");
static_assert(offsetof(NPStream, notifyData) == 20, "NPStream layout");
static_assert(sizeof(NPByteRange) == 12, "NPByteRange layout");
static_assert(sizeof(NPSavedData) == 8, "NPSavedData layout");
static_assert(sizeof(NPRect) == 8, "NPRect layout");
static_assert(sizeof(NPWindow) == 32, "NPWindow layout");
static_assert(offsetof(NPWindow, clipRect) == 20, "NPWindow layout");
static_assert(offsetof(NPWindow, type) == 28, "NPWindow layout");
static_assert(sizeof(NPEvent) == 12, "NPEvent layout");
static_assert(offsetof(NPEvent, wParam) == 4, "NPEvent layout");
static_assert(sizeof(NPFullPrint) == 8, "NPFullPrint layout");
static_assert(sizeof(NPEmbedPrint) == 36, "NPEmbedPrint layout");
static_assert(sizeof(NPPrint) == 40, "NPPrint layout");
static_assert(sizeof(NPObject) == 8, "NPObject layout");
static_assert(sizeof(NPClass) == 52, "NPClass layout");
static_assert(offsetof(NPClass, construct) == 48, "NPClass layout");
static_assert(sizeof(NPString) == 8, "NPString layout");
static_assert(sizeof(NPVariantType) == 4, "enum size");
static_assert(sizeof(NPPVariable) == 4 && sizeof(NPNVariable) == 4, "enum size");
#if defined(_WIN32)
// The union holds a double, which the Windows ABI aligns to 8 in structs.
static_assert(sizeof(NPVariant) == 16, "NPVariant layout");
static_assert(offsetof(NPVariant, value) == 8, "NPVariant layout");
#endif
static_assert(sizeof(NPPluginFuncs) == NP_PLUGIN_FUNCS_SIZE, "NPPluginFuncs layout");
static_assert(offsetof(NPPluginFuncs, newp) == 4, "NPPluginFuncs layout");
static_assert(offsetof(NPPluginFuncs, getvalue) == 52, "NPPluginFuncs layout");
static_assert(sizeof(NPNetscapeFuncs) == NP_NETSCAPE_FUNCS_SIZE, "NPNetscapeFuncs layout");
static_assert(offsetof(NPNetscapeFuncs, geturlnotify) == 60, "NPNetscapeFuncs layout");
static_assert(offsetof(NPNetscapeFuncs, getstringidentifier) == 88, "NPNetscapeFuncs layout");
static_assert(offsetof(NPNetscapeFuncs, evaluate) == 132, "NPNetscapeFuncs layout");
static_assert(offsetof(NPNetscapeFuncs, setexception) == 160, "NPNetscapeFuncs layout");
#endif
