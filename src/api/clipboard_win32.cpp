// Clipboard: plain text (CF_TEXT) in and out. "copy" and "cut" do nothing:
// the host does not know the movie's selection.
#include <windows.h>

#include <cstring>

#include "api/namespaces.h"

namespace api {

namespace {

using bridge::Result;

// Empties the clipboard and leaves `text` (up to its first NUL) on it. When
// the clipboard cannot be opened it stays as it was.
void put_text(const std::string& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  const std::size_t length = std::strlen(text.c_str());
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, length + 1);
  if (block) {
    if (void* bytes = GlobalLock(block)) {
      std::memcpy(bytes, text.c_str(), length + 1);
      GlobalUnlock(block);
      // From here on the block belongs to the clipboard.
      if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    } else {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}

// The clipboard's text; false when it cannot be opened or holds no text.
bool get_text(std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  bool found = false;
  if (HANDLE block = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(block))) {
      // The block may be larger than its text; never read past the block.
      const std::size_t size = GlobalSize(block);
      const void* end = std::memchr(bytes, 0, size);
      text.assign(bytes, end ? static_cast<const char*>(end) - bytes : size);
      GlobalUnlock(block);
      found = true;
    }
  }
  CloseClipboard();
  return found;
}

class ClipboardNamespace : public bridge::NamespaceHandler {
 public:
  Result call(std::string_view method, const bridge::ArgumentList& arguments) override {
    if (method == "clear") {
      put_text(std::string());
      return std::nullopt;
    }
    if (method == "copy") return std::nullopt;
    if (method == "copyString") {
      put_text(bridge::read_text(arguments, 1));
      return std::nullopt;
    }
    if (method == "cut") return std::nullopt;
    if (method == "paste") {
      std::string text;
      if (!get_text(text)) return bridge::result_null();
      return bridge::result_text(text, true);
    }
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_clipboard_namespace() {
  return std::make_unique<ClipboardNamespace>();
}

}  // namespace api
