#include "bridge/dispatcher.h"

#include <utility>

namespace bridge {

namespace {

constexpr std::string_view kPrefixes[kNamespaceCount] = {
    "Application.", "Api.",  "AppleScript.", "Clipboard.", "Debug.",  "Dialogs.", "DLL.",
    "FileSystem.",  "Menu.", "Network.",     "Registry.",  "System.", "Window.",
};

// Api: the movie's API code has started; tell it the names of the main
// window and its direct children, and that its own window is "WindowForm".
class ApiNamespace : public NamespaceHandler {
 public:
  explicit ApiNamespace(DispatcherHost& host) : host_(host) {}

  Result call(std::string_view method, const ArgumentList&) override {
    if (method == "onInit") {
      add_window_form(host_.main_window_name());
      for (const std::string& child : host_.child_window_names()) add_window_form(child);
      const NPVariant form = string_variant("WindowForm");
      host_.call_movie("setThisWindowForm", &form, 1);
    }
    return std::nullopt;
  }

 private:
  void add_window_form(const std::string& name) {
    const NPVariant argument = string_variant(name);
    host_.call_movie("addWindowForm", &argument, 1);
  }

  DispatcherHost& host_;
};

// AppleScript: there is no script engine on this system; both methods exist
// and answer false.
class AppleScriptNamespace : public NamespaceHandler {
 public:
  Result call(std::string_view method, const ArgumentList&) override {
    if (method == "runScript" || method == "runFile") return result_boolean(false);
    return std::nullopt;
  }
};

}  // namespace

std::string_view namespace_prefix(Namespace space) {
  return kPrefixes[static_cast<std::size_t>(space)];
}

bool take_prefix(std::string_view& name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return false;
  name.remove_prefix(prefix.size());
  return true;
}

Dispatcher::Dispatcher(DispatcherHost& host) : host_(host) {
  set_handler(Namespace::kApi, std::make_unique<ApiNamespace>(host));
  set_handler(Namespace::kAppleScript, std::make_unique<AppleScriptNamespace>());
}

void Dispatcher::set_handler(Namespace space, std::unique_ptr<NamespaceHandler> handler) {
  handlers_[static_cast<std::size_t>(space)] = std::move(handler);
}

NamespaceHandler* Dispatcher::handler(Namespace space) const {
  return handlers_[static_cast<std::size_t>(space)].get();
}

Result Dispatcher::dispatch(std::string_view name, const ArgumentList& arguments,
                            uint32_t* length_slot) {
  if (!name.empty() && name[0] == ':') return request_kind(name, arguments, length_slot);
  for (std::size_t i = 0; i < kNamespaceCount; ++i) {
    std::string_view method = name;
    if (!take_prefix(method, kPrefixes[i])) continue;
    NamespaceHandler* target = handlers_[i].get();
    if (!target) return std::nullopt;
    return target->call(method, arguments);
  }
  return std::nullopt;
}

Result Dispatcher::request_kind(std::string_view name, const ArgumentList& arguments,
                                uint32_t* length_slot) {
  // Compared whole, in this order; request arguments are plain texts.
  if (name == ":request1") {
    pending_request_name_.assign(arguments.text(1));
    return std::string();
  }
  if (name == ":request2") {
    pending_request_data_.assign(arguments.text(1));
    return std::string();
  }
  if (name == ":request") {
    request_text_ = invoke_text(pending_request_name_, pending_request_data_, arguments.text(1));
    return request_text_;
  }
  if (name == ":getURL") return load(std::string(arguments.text(1)), false, length_slot);
  if (name == ":postData") {
    // The posted bytes may hold NULs: the record's length counts.
    post_data_.assign(arguments.bytes(1));
    has_post_data_ = true;
    return std::string();
  }
  if (name == ":post") return load(std::string(arguments.text(1)), true, length_slot);
  return std::nullopt;
}

Result Dispatcher::load(const std::string& url, bool with_post_data, uint32_t* length_slot) {
  std::string answer;
  const bool post = with_post_data && has_post_data_;
  const bool loaded = host_.load_url_data(url, post ? post_data_.data() : nullptr,
                                          post ? post_data_.size() : 0, answer);
  if (length_slot) *length_slot = loaded ? static_cast<uint32_t>(answer.size()) : 0;
  if (!loaded) return std::nullopt;
  return answer;
}

}  // namespace bridge
