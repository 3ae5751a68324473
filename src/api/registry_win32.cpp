// Registry: values under "SOFTWARE\" of the machine or the current user,
// through keys the movie opens and then addresses by numbered handles.
#include <windows.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

#include "api/namespaces.h"
#include "api/registry_helpers.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

struct KeyRecord {
  HKEY key = nullptr;  // null once closed
  LONG status = ERROR_SUCCESS;  // of the last registry call made through it
};

class RegistryNamespace : public bridge::NamespaceHandler {
 public:
  RegistryNamespace() = default;
  ~RegistryNamespace() override {
    for (auto& entry : keys_) {
      if (entry.second.key) RegCloseKey(entry.second.key);
    }
  }
  RegistryNamespace(const RegistryNamespace&) = delete;
  RegistryNamespace& operator=(const RegistryNamespace&) = delete;

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (method == "open") return open(bridge::read_text(arguments, 1), bridge::read_text(arguments, 2));
    auto found = keys_.find(bridge::read_integer(arguments, 1));
    KeyRecord* record = found == keys_.end() ? nullptr : &found->second;
    HKEY key = record ? record->key : nullptr;
    const std::string name = bridge::read_text(arguments, 2);

    if (method == "close") {
      if (!key) return bridge::result_boolean(false);
      record->status = RegCloseKey(key);
      record->key = nullptr;
      return bridge::result_boolean(record->status == ERROR_SUCCESS);
    }
    if (method == "keyExists") {
      if (!key) return bridge::result_boolean(false);
      DWORD type = 0;
      DWORD size = 0;
      record->status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
      return bridge::result_boolean(record->status == ERROR_SUCCESS);
    }
    if (method == "deleteKey") {
      // An empty name would delete the open key itself.
      if (!key || name.empty()) return bridge::result_boolean(false);
      record->status = RegDeleteKeyA(key, name.c_str());
      return bridge::result_boolean(record->status == ERROR_SUCCESS);
    }
    if (method == "getString") {
      if (!key) return bridge::result_null();
      return read_string(*record, name);
    }
    if (method == "setString") {
      if (!key) return bridge::result_boolean(false);
      const std::string value = bridge::read_text(arguments, 3);
      return set_value(*record, name, REG_SZ, value.c_str(), std::strlen(value.c_str()) + 1);
    }
    if (method == "getInteger" || method == "getBoolean") {
      DWORD value = 0;
      if (!key || !read_fixed(*record, name, &value, sizeof value)) return bridge::result_null();
      if (method == "getBoolean") return bridge::result_boolean(value != 0);
      return bridge::result_integer(static_cast<int32_t>(value));
    }
    if (method == "setInteger" || method == "setBoolean") {
      if (!key) return bridge::result_boolean(false);
      const DWORD value = method == "setBoolean"
                              ? (bridge::read_flag(arguments, 3) ? 1 : 0)
                              : static_cast<DWORD>(bridge::read_integer(arguments, 3));
      return set_value(*record, name, REG_DWORD, &value, sizeof value);
    }
    if (method == "setFloat") {
      if (!key) return bridge::result_boolean(false);
      const std::array<unsigned char, 8> bytes = real_to_bytes(bridge::read_real(arguments, 3));
      return set_value(*record, name, REG_BINARY, bytes.data(), bytes.size());
    }
    if (method == "getFloat") {
      std::array<unsigned char, 8> bytes{};
      if (!key || !read_fixed(*record, name, bytes.data(), bytes.size())) {
        return bridge::result_null();
      }
      return bridge::result_real(real_from_bytes(bytes), 0, 0);
    }
    return std::nullopt;
  }

 private:
  Result open(const std::string& path, const std::string& root) {
    std::string key_path;
    if (!registry_key_path(path, key_path)) return std::nullopt;
    HKEY key = nullptr;
    const LONG status =
        RegCreateKeyExA(is_machine_root(root) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                        key_path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return std::nullopt;
    const int32_t id = ++last_id_;
    keys_[id] = KeyRecord{key, status};
    return bridge::result_integer(id);
  }

  static Result set_value(KeyRecord& record, const std::string& name, DWORD type, const void* data,
                          std::size_t size) {
    record.status = RegSetValueExA(record.key, name.c_str(), 0, type,
                                   static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    return bridge::result_boolean(record.status == ERROR_SUCCESS);
  }

  // Reads into a buffer of exactly `size` bytes; a larger value fails, a
  // shorter one fills the start.
  static bool read_fixed(KeyRecord& record, const std::string& name, void* buffer, DWORD size) {
    record.status = RegQueryValueExA(record.key, name.c_str(), nullptr, nullptr,
                                     static_cast<BYTE*>(buffer), &size);
    return record.status == ERROR_SUCCESS;
  }

  // Any value but a string list, of any length, as text up to its first NUL.
  static Result read_string(KeyRecord& record, const std::string& name) {
    DWORD type = 0;
    DWORD size = 0;
    record.status = RegQueryValueExA(record.key, name.c_str(), nullptr, &type, nullptr, &size);
    if (record.status != ERROR_SUCCESS || type == REG_MULTI_SZ) return bridge::result_null();
    std::string data;
    DWORD got = 0;
    // The value may grow between the two queries: ask again with its new size.
    for (int attempt = 0; attempt < 8; ++attempt) {
      data.assign(static_cast<std::size_t>(size) + 1, '\0');
      got = size;
      record.status = RegQueryValueExA(record.key, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&data[0]), &got);
      if (record.status != ERROR_MORE_DATA) break;
      size = got;
    }
    if (record.status != ERROR_SUCCESS || type == REG_MULTI_SZ) return bridge::result_null();
    data.resize(got);
    return bridge::result_text(data.c_str(), true);
  }

  int32_t last_id_ = 0;
  std::map<int32_t, KeyRecord> keys_;
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_registry_namespace() {
  return std::make_unique<RegistryNamespace>();
}

}  // namespace api
