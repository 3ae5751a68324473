#include "npfp_host_win32.h"

#include <cstdlib>
#include <cstring>
#include <map>

namespace npfp_test {

namespace {

BrowserRecord g_record;
std::vector<std::string> g_identifiers;

void* NPN_MemAlloc(uint32_t size) { return std::malloc(size ? size : 1); }
void NPN_MemFree(void* p) { std::free(p); }

NPError NPN_SetValue(NPP, NPPVariable, void*) {
  ++g_record.set_values;
  return NPERR_NO_ERROR;
}

NPError NPN_GetValue(NPP, NPNVariable, void*) { return NPERR_GENERIC_ERROR; }

void NPN_InvalidateRect(NPP, NPRect* rect) {
  ++g_record.invalidations;
  if (rect) g_record.last_invalidated = *rect;
}

NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name) {
  std::string s = name ? name : "";
  for (size_t i = 0; i < g_identifiers.size(); ++i)
    if (g_identifiers[i] == s) return reinterpret_cast<NPIdentifier>(i + 1);
  g_identifiers.push_back(s);
  return reinterpret_cast<NPIdentifier>(g_identifiers.size());
}

NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier id) {
  size_t index = reinterpret_cast<size_t>(id);
  if (index == 0 || index > g_identifiers.size()) return nullptr;
  const std::string& s = g_identifiers[index - 1];
  char* copy = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(s.size() + 1)));
  std::memcpy(copy, s.c_str(), s.size() + 1);
  return copy;
}

NPObject* NPN_CreateObject(NPP npp, NPClass* cls) {
  NPObject* o = cls && cls->allocate ? cls->allocate(npp, cls)
                                     : static_cast<NPObject*>(NPN_MemAlloc(sizeof(NPObject)));
  if (!o) return nullptr;
  o->_class = cls;
  o->referenceCount = 1;
  ++g_record.objects_created;
  return o;
}

NPObject* NPN_RetainObject(NPObject* o) {
  if (o) ++o->referenceCount;
  return o;
}

void NPN_ReleaseObject(NPObject* o) {
  if (!o || --o->referenceCount > 0) return;
  ++g_record.objects_freed;
  if (o->_class && o->_class->deallocate)
    o->_class->deallocate(o);
  else
    NPN_MemFree(o);
}

void NPN_ReleaseVariantValue(NPVariant* v) {
  if (!v) return;
  if (v->type == NPVariantType_String)
    NPN_MemFree(const_cast<NPUTF8*>(v->value.stringValue.UTF8Characters));
  if (v->type == NPVariantType_Object) NPN_ReleaseObject(v->value.objectValue);
  v->type = NPVariantType_Void;
}

// The table a host hands over: size 164, version 14. Entries the tests do
// not need stay empty, which the plug-in must tolerate.
NPNetscapeFuncs make_browser_table() {
  NPNetscapeFuncs t = {};
  t.size = sizeof(NPNetscapeFuncs);
  t.version = NPVERS_HAS_NPRUNTIME_SCRIPTING;
  t.memalloc = NPN_MemAlloc;
  t.memfree = NPN_MemFree;
  t.getvalue = NPN_GetValue;
  t.setvalue = NPN_SetValue;
  t.invalidaterect = NPN_InvalidateRect;
  t.getstringidentifier = NPN_GetStringIdentifier;
  t.utf8fromidentifier = NPN_UTF8FromIdentifier;
  t.createobject = NPN_CreateObject;
  t.retainobject = NPN_RetainObject;
  t.releaseobject = NPN_ReleaseObject;
  t.releasevariantvalue = NPN_ReleaseVariantValue;
  return t;
}

NPNetscapeFuncs g_browser_table = make_browser_table();

}  // namespace

BrowserRecord& browser_record() { return g_record; }

PluginModule::PluginModule() {
  std::string path = std::string("Z:") + NPFP_DLL_PATH;
  module_ = LoadLibraryA(path.c_str());
  if (!module_) return;
  auto disable = entry<Flash_DisableLocalSecurityFunc>(module_, "Flash_DisableLocalSecurity");
  auto entry_points = entry<NP_GetEntryPointsFunc>(module_, "NP_GetEntryPoints");
  auto initialize = entry<NP_InitializeFunc>(module_, "NP_Initialize");
  if (!disable || !entry_points || !initialize) return;
  disable();
  funcs_.size = sizeof(NPPluginFuncs);
  entry_points_result_ = entry_points(&funcs_);
  initialize_result_ = initialize(&g_browser_table);
}

PluginModule::~PluginModule() {
  // The module stays loaded, as in the screen saver; NP_Shutdown is called
  // once at the end of the test program by the last test that wants it.
}

NPNetscapeFuncs& PluginModule::browser_table() { return g_browser_table; }

Surface::Surface(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<uint32_t*>(bits);
  dc_ = CreateCompatibleDC(nullptr);
  old_ = SelectObject(dc_, bitmap_);
}

Surface::~Surface() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
  DeleteObject(bitmap_);
}

uint32_t Surface::pixel(int x, int y) const {
  GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x] & 0x00FFFFFFu;  // GDI keeps no alpha
}

void Surface::fill(uint32_t value) {
  GdiFlush();
  for (int i = 0; i < width_ * height_; ++i) bits_[i] = value;
}

Instance::Instance(PluginModule& module,
                   const std::vector<std::pair<std::string, std::string>>& params)
    : module_(module) {
  std::vector<char*> names, values;
  for (const auto& p : params) {
    names.push_back(const_cast<char*>(p.first.c_str()));
    values.push_back(const_cast<char*>(p.second.c_str()));
  }
  char mime[] = "application/x-shockwave-flash";
  new_result_ = module_.funcs().newp(mime, &npp_, NP_EMBED, static_cast<int16_t>(params.size()),
                                     names.data(), values.data(), nullptr);
  created_ = new_result_ == NPERR_NO_ERROR;
}

Instance::~Instance() {
  if (created_) module_.funcs().destroy(&npp_, nullptr);
}

NPError Instance::set_window(Surface& surface) {
  window_.window = surface.dc();
  window_.x = 0;
  window_.y = 0;
  window_.width = static_cast<uint32_t>(surface.width());
  window_.height = static_cast<uint32_t>(surface.height());
  window_.clipRect = {0, 0, static_cast<uint16_t>(surface.height()),
                      static_cast<uint16_t>(surface.width())};
  window_.type = NPWindowTypeDrawable;
  return module_.funcs().setwindow(&npp_, &window_);
}

size_t Instance::stream(const std::string& url, const std::vector<uint8_t>& data) {
  NPStream s = {};
  s.ndata = this;
  s.url = url.c_str();
  s.end = static_cast<uint32_t>(data.size());
  uint16_t stype = NP_NORMAL;
  char mime[] = "application/x-shockwave-flash";
  if (module_.funcs().newstream(&npp_, mime, &s, 0, &stype) != NPERR_NO_ERROR) return 0;
  size_t written = 0;
  while (written < data.size()) {
    int32_t ready = module_.funcs().writeready(&npp_, &s);
    if (ready <= 0) break;
    int32_t n =
        static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(ready), data.size() - written));
    int32_t taken = module_.funcs().write(&npp_, &s, static_cast<int32_t>(written), n,
                                          const_cast<uint8_t*>(data.data() + written));
    write_results.push_back(taken);
    written += static_cast<size_t>(n);
    if (taken < 0) break;
  }
  module_.funcs().destroystream(&npp_, &s, NPRES_DONE);
  return written;
}

int16_t Instance::send(uint16_t message, uintptr_t wparam, uintptr_t lparam) {
  NPEvent e = {};
  e.event = message;
  e.wParam = wparam;
  e.lParam = lparam;
  return module_.funcs().event(&npp_, &e);
}

void pump_messages(DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

}  // namespace npfp_test
