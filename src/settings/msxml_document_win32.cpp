// Settings documents through the platform DOM: MSXML's DOMDocument over COM,
// loaded from a URL moniker stream.
#include <msxml2.h>
#include <ocidl.h>
#include <urlmon.h>
#include <windows.h>

#include "common/paths.h"
#include "settings/xml_document.h"

namespace {

// msxml2.h maps CLSID_DOMDocument to a symbol the import library lacks.
const CLSID kClsidDomDocument = {
    0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidXmlDomDocument = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Wide DOM text as bytes. Characters up to 0xFF become that byte, as the C
// runtime's wcstombs does in the "C" locale: our writer escapes every byte of
// a value as a character reference of its own, so this carries any byte text
// back whatever the ANSI code page is. Characters above 0xFF (only in
// hand-written texts) go through the ANSI code page, except U+F000 to U+F0FF,
// which the writer uses to carry control bytes: their low byte is the byte.
// The text ends at a NUL.
std::string to_bytes(const wchar_t* text, UINT length) {
  std::string out;
  for (UINT i = 0; i < length && text[i] != 0; ++i) {
    const wchar_t c = text[i];
    if (c <= 0xFF || (c >= 0xF000 && c <= 0xF0FF)) {
      out += static_cast<char>(c & 0xFF);
      continue;
    }
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    char converted[8];
    const int n = WideCharToMultiByte(CP_ACP, 0, text + i, pair ? 2 : 1, converted,
                                      sizeof converted, nullptr, nullptr);
    if (n > 0) {
      out.append(converted, static_cast<size_t>(n));
    } else {
      out += '?';
    }
    if (pair) ++i;
  }
  return out;
}

std::string bstr_to_bytes(BSTR text) {
  return text ? to_bytes(text, SysStringLen(text)) : std::string();
}

// An owned BSTR made from byte text in the ANSI code page.
class WideText {
 public:
  explicit WideText(const std::string& bytes) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    text_ = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (text_ && n > 0) {
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text_, n);
    }
  }
  ~WideText() { SysFreeString(text_); }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  BSTR get() const { return text_; }

 private:
  BSTR text_ = nullptr;
};

template <typename Interface>
void release(Interface*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

class MsxmlAttribute : public XmlAttribute {
 public:
  explicit MsxmlAttribute(IXMLDOMNode* node) : node_(node) {}
  ~MsxmlAttribute() override { release(node_); }
  MsxmlAttribute(const MsxmlAttribute&) = delete;
  MsxmlAttribute& operator=(const MsxmlAttribute&) = delete;

  bool get_xml(std::string& out) const override {
    BSTR xml = nullptr;
    if (node_->get_xml(&xml) != S_OK || !xml) {
      SysFreeString(xml);
      return false;
    }
    out = bstr_to_bytes(xml);
    SysFreeString(xml);
    return true;
  }

 private:
  IXMLDOMNode* node_;
};

class MsxmlAttributes : public XmlAttributes {
 public:
  explicit MsxmlAttributes(IXMLDOMNamedNodeMap* map) : map_(map) {}
  ~MsxmlAttributes() override { release(map_); }
  MsxmlAttributes(const MsxmlAttributes&) = delete;
  MsxmlAttributes& operator=(const MsxmlAttributes&) = delete;

  bool get(const std::string& name, std::unique_ptr<XmlAttribute>& out) const override {
    out.reset();
    WideText wide_name(name);
    IXMLDOMNode* node = nullptr;
    if (!wide_name.get() || map_->getNamedItem(wide_name.get(), &node) != S_OK || !node) {
      release(node);
      return false;
    }
    out = std::make_unique<MsxmlAttribute>(node);
    return true;
  }

 private:
  IXMLDOMNamedNodeMap* map_;
};

class MsxmlNode : public XmlNode {
 public:
  explicit MsxmlNode(IXMLDOMNode* node) : node_(node) {}
  ~MsxmlNode() override { release(node_); }
  MsxmlNode(const MsxmlNode&) = delete;
  MsxmlNode& operator=(const MsxmlNode&) = delete;

  bool name(std::string& out) const override {
    BSTR name = nullptr;
    if (node_->get_nodeName(&name) != S_OK) {
      SysFreeString(name);
      return false;
    }
    out = bstr_to_bytes(name);
    SysFreeString(name);
    return true;
  }

  bool attributes(std::unique_ptr<XmlAttributes>& out) const override;
  bool children(std::unique_ptr<XmlNodeList>& out) const override;

 private:
  IXMLDOMNode* node_;
};

class MsxmlNodeList : public XmlNodeList {
 public:
  explicit MsxmlNodeList(IXMLDOMNodeList* list) : list_(list) {}
  ~MsxmlNodeList() override { release(list_); }
  MsxmlNodeList(const MsxmlNodeList&) = delete;
  MsxmlNodeList& operator=(const MsxmlNodeList&) = delete;

  long length() const override {
    long n = 0;
    return list_->get_length(&n) == S_OK ? n : 0;
  }

  bool item(long index, std::unique_ptr<XmlNode>& out) const override {
    out.reset();
    IXMLDOMNode* node = nullptr;
    if (list_->get_item(index, &node) != S_OK || !node) {
      release(node);
      return false;
    }
    out = std::make_unique<MsxmlNode>(node);
    return true;
  }

 private:
  IXMLDOMNodeList* list_;
};

bool MsxmlNode::attributes(std::unique_ptr<XmlAttributes>& out) const {
  out.reset();
  IXMLDOMNamedNodeMap* map = nullptr;
  long n = 0;
  if (node_->get_attributes(&map) != S_OK || !map || map->get_length(&n) != S_OK || n == 0) {
    release(map);
    return false;
  }
  out = std::make_unique<MsxmlAttributes>(map);
  return true;
}

bool MsxmlNode::children(std::unique_ptr<XmlNodeList>& out) const {
  out.reset();
  IXMLDOMNodeList* list = nullptr;
  long n = 0;
  if (node_->get_childNodes(&list) != S_OK || !list || list->get_length(&n) != S_OK || n == 0) {
    release(list);
    return false;
  }
  out = std::make_unique<MsxmlNodeList>(list);
  return true;
}

class MsxmlDocument : public XmlDocument {
 public:
  // S_FALSE (COM already open on this thread) counts like S_OK and needs its
  // CoUninitialize too; otherwise every document would leave the caller's
  // apartment one count higher.
  MsxmlDocument() : owes_uninitialize_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~MsxmlDocument() override {
    release_all();
    if (owes_uninitialize_) CoUninitialize();
  }
  MsxmlDocument(const MsxmlDocument&) = delete;
  MsxmlDocument& operator=(const MsxmlDocument&) = delete;

  bool load(const std::string& path) override {
    release_all();
    path_ = path;
    error_.clear();
    if (FAILED(CoCreateInstance(kClsidDomDocument, nullptr, kAnyServer, kIidXmlDomDocument,
                                reinterpret_cast<void**>(&document_)))) {
      document_ = nullptr;
      error_ = "the XML DOM (MSXML DOMDocument) is not available";
      return false;
    }
    document_->put_async(VARIANT_FALSE);
    document_->put_validateOnParse(VARIANT_FALSE);
    if (FAILED(document_->QueryInterface(IID_IPersistStreamInit,
                                         reinterpret_cast<void**>(&persist_)))) {
      persist_ = nullptr;
      error_ = "the XML DOM cannot load streams";
      return false;
    }
    const std::string absolute = paths::resolve(path);
    if (FAILED(URLOpenBlockingStreamA(nullptr, absolute.c_str(), &stream_, 0, nullptr))) {
      stream_ = nullptr;
      error_ = "cannot open " + absolute;
      return false;
    }
    const HRESULT loaded = persist_->Load(stream_);
    // The text is parsed in full by now; let go of the file at once, so that
    // it can be replaced or deleted while the document lives on.
    release(stream_);
    if (FAILED(loaded)) {
      error_ = parse_error();
      return false;
    }
    return true;
  }

  bool first_child(std::unique_ptr<XmlNode>& out) const override {
    out.reset();
    IXMLDOMNode* node = nullptr;
    if (!document_ || document_->get_firstChild(&node) != S_OK || !node) {
      release(node);
      return false;
    }
    out = std::make_unique<MsxmlNode>(node);
    return true;
  }

  std::string error_message() const override { return error_; }

 private:
  void release_all() {
    release(stream_);
    release(persist_);
    release(document_);
  }

  std::string parse_error() const {
    std::string message = "the XML DOM rejected the text";
    IXMLDOMParseError* error = nullptr;
    if (document_->get_parseError(&error) == S_OK && error) {
      long line = 0;
      BSTR reason = nullptr;
      error->get_line(&line);
      if (error->get_reason(&reason) == S_OK && reason) {
        message = "line " + std::to_string(line) + ": " + bstr_to_bytes(reason);
      }
      SysFreeString(reason);
      error->Release();
    }
    return message;
  }

  const bool owes_uninitialize_;
  IXMLDOMDocument* document_ = nullptr;
  IPersistStreamInit* persist_ = nullptr;
  IStream* stream_ = nullptr;
  std::string path_;
  std::string error_;
};

}  // namespace

std::unique_ptr<XmlDocument> create_msxml_document() { return std::make_unique<MsxmlDocument>(); }

std::unique_ptr<XmlDocument> create_platform_document() { return create_msxml_document(); }
