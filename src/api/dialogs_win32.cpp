// Dialogs: message boxes, the colour chooser, and file dialog objects that
// the movie creates, configures and shows. Dialogs are modal: the calling
// thread waits in them.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "api/com_scope.h"
#include "api/dialog_helpers.h"
#include "api/namespaces.h"
#include "common/paths.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

enum class DialogKind { kChooseFile = 0, kSaveFile = 1, kChooseFolder = 2 };

struct DialogSettings {
  std::string default_file_name;
  std::string default_directory;
  std::string default_extension;
  std::string title;
  std::string dialog_text;  // kept for the movie; these system dialogs have no place for it
  std::string button_text;  // likewise
  bool allow_multiple = false;
};

// The file-name buffer of the file dialogs, in characters.
constexpr std::size_t kFileBufferSize = 2600;

// Ids count per kind across the program and are never reused.
int32_t g_last_dialog_id[3] = {0, 0, 0};

const char* text_or_null(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// A path the system hands back, made absolute against the program folder.
std::string absolute(const std::string& path) {
  if (path.empty() || !PathIsRelativeA(path.c_str())) return path;
  return paths::join(paths::folder_part(paths::program_path()), path);
}

// Which setters each kind has.
bool kind_has(DialogKind kind, std::string_view method) {
  if (method == "show" || method == "setButtonText" || method == "setDefaultDirectory" ||
      method == "setDialogText" || method == "setDialogTitle") {
    return true;
  }
  if (method == "setDefaultExtension" || method == "setDefaultFilename") {
    return kind != DialogKind::kChooseFolder;
  }
  if (method == "setAllowMultiple") return kind == DialogKind::kChooseFile;
  return false;
}

int CALLBACK select_initial_folder(HWND dialog, UINT message, LPARAM, LPARAM folder) {
  if (message == BFFM_INITIALIZED) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, folder);
  return 0;
}

class DialogsNamespace : public bridge::NamespaceHandler {
 public:
  explicit DialogsNamespace(ApiContext& context) : context_(context) {}

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (bridge::take_prefix(method, "ChooseFile.")) {
      return object_method(DialogKind::kChooseFile, method, arguments);
    }
    if (bridge::take_prefix(method, "SaveFile.")) {
      return object_method(DialogKind::kSaveFile, method, arguments);
    }
    if (bridge::take_prefix(method, "ChooseFolder.")) {
      return object_method(DialogKind::kChooseFolder, method, arguments);
    }
    if (method == "messageBox") return message_box(arguments, 0, true);
    if (method == "errorBox") return message_box(arguments, MB_ICONHAND, false);
    if (method == "warningBox") return message_box(arguments, MB_ICONEXCLAMATION, false);
    if (method == "chooseColor") return choose_colour(bridge::read_integer(arguments, 1));
    return std::nullopt;
  }

 private:
  HWND owner() const { return static_cast<HWND>(context_.owner_window()); }

  Result object_method(DialogKind kind, std::string_view method, const ArgumentList& arguments) {
    std::map<int32_t, DialogSettings>& objects = objects_[static_cast<int>(kind)];
    if (method == "new") {
      const int32_t id = ++g_last_dialog_id[static_cast<int>(kind)];
      objects[id] = DialogSettings();
      return bridge::result_integer(id);
    }
    auto found = objects.find(bridge::read_integer(arguments, 1));
    if (found == objects.end() || !kind_has(kind, method)) return std::nullopt;
    DialogSettings& settings = found->second;
    if (method == "show") return show(kind, settings);
    if (method == "setAllowMultiple") {
      settings.allow_multiple = bridge::read_flag(arguments, 2);
      return std::nullopt;
    }
    std::string text = bridge::read_text(arguments, 2);
    if (method == "setButtonText") settings.button_text = std::move(text);
    if (method == "setDefaultDirectory") settings.default_directory = std::move(text);
    if (method == "setDefaultExtension") settings.default_extension = std::move(text);
    if (method == "setDefaultFilename") settings.default_file_name = std::move(text);
    if (method == "setDialogText") settings.dialog_text = std::move(text);
    if (method == "setDialogTitle") settings.title = std::move(text);
    return std::nullopt;
  }

  Result message_box(const ArgumentList& arguments, UINT icon, bool answer_word) {
    const std::string title = bridge::read_text(arguments, 1);
    const std::string message = bridge::read_text(arguments, 2);
    const ButtonSet set = button_set_from_name(bridge::read_text(arguments, 3));
    // The message is shown as written: no formatting is applied to it.
    const int answer = MessageBoxA(owner(), message.c_str(), title.c_str(),
                                   static_cast<UINT>(set) | MB_TASKMODAL | icon);
    if (!answer_word) return bridge::result_null();
    const char* word = button_word(set, answer);
    return word ? bridge::result_text(word, false) : bridge::result_null();
  }

  Result choose_colour(int32_t initial_rgb) {
    // Sixteen white custom colours, fresh for every call.
    std::array<COLORREF, 16> custom;
    custom.fill(RGB(255, 255, 255));
    CHOOSECOLORA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner();
    request.rgbResult = system_colour_from_rgb(initial_rgb);
    request.lpCustColors = custom.data();
    request.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&request)) return bridge::result_null();
    return colour_result(request.rgbResult);
  }

  Result show(DialogKind kind, const DialogSettings& settings) {
    if (kind == DialogKind::kChooseFolder) return show_folder_browser(settings);
    const bool choose = kind == DialogKind::kChooseFile;
    // The buffer starts with the default file name, cut to fit.
    std::vector<char> buffer(kFileBufferSize, '\0');
    settings.default_file_name.copy(buffer.data(), kFileBufferSize - 1);

    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner();
    request.lpstrFilter = "All Files(*.*)\0*.*\0";
    request.nFilterIndex = 0;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrTitle = text_or_null(settings.title);
    request.lpstrInitialDir = text_or_null(settings.default_directory);
    request.lpstrDefExt = text_or_null(settings.default_extension);
    request.Flags = OFN_ENABLESIZING | OFN_HIDEREADONLY;
    const bool multiple = choose && settings.allow_multiple;
    if (multiple) request.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    request.Flags |= choose ? OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT;

    const bool chosen = choose ? GetOpenFileNameA(&request) : GetSaveFileNameA(&request);
    buffer.back() = '\0';
    if (!chosen) {
      CommDlgExtendedError();  // read and let go: a failure answers as a cancel
      return choose ? bridge::result_text_array({}) : bridge::result_null();
    }
    if (!choose) return bridge::result_text(absolute(buffer.data()), true);
    // Several files come as a folder and names separated by NULs; the
    // dialog marks that with a NUL right before the first name.
    std::vector<std::string> files;
    if (multiple && request.nFileOffset > 0 && request.nFileOffset < buffer.size() &&
        buffer[request.nFileOffset - 1] == '\0') {
      files = chosen_files(buffer.data(), buffer.size());
    } else {
      files.push_back(buffer.data());
    }
    if (!files.empty()) files[0] = absolute(files[0]);
    return bridge::result_text_array(files);
  }

  Result show_folder_browser(const DialogSettings& settings) {
    ComScope com;
    char display_name[MAX_PATH] = {};
    BROWSEINFOA request = {};
    request.hwndOwner = owner();
    request.pidlRoot = nullptr;
    request.pszDisplayName = display_name;
    request.lpszTitle = text_or_null(settings.title);
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    if (!settings.default_directory.empty()) {
      request.lpfn = select_initial_folder;
      request.lParam = reinterpret_cast<LPARAM>(settings.default_directory.c_str());
    }
    LPITEMIDLIST item = SHBrowseForFolderA(&request);
    if (!item) return bridge::result_null();
    char path[MAX_PATH] = {};
    const bool has_path = SHGetPathFromIDListA(item, path) && path[0];
    CoTaskMemFree(item);
    if (!has_path) return bridge::result_null();
    return bridge::result_text(absolute(path), true);
  }

  ApiContext& context_;
  std::map<int32_t, DialogSettings> objects_[3];
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_dialogs_namespace(ApiContext& context) {
  return std::make_unique<DialogsNamespace>(context);
}

}  // namespace api
