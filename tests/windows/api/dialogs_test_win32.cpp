// Dialogs through the dispatcher: the real message boxes, file and folder
// dialogs and colour chooser of the Wine prefix, each answered by a thread
// of the test that finds the dialog and presses one of its buttons.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "support/temp_dir.h"
#include "windows/api/api_test_support.h"

namespace {

using api_testing::ApiCalls;
using api_testing::b64;
using api_testing::DialogAnswerer;
using api_testing::press;
using api_testing::text_result;
using api_testing::window_text;
using bridge::Result;

const Result kNull("<null/>");

// The message text control of a message box.
constexpr int kMessageText = 0xFFFF;
// Its icon control.
constexpr int kMessageIcon = 0x0440;

struct SeenBox {
  bool appeared = false;
  std::string caption;
  std::string message;
  HWND owner = nullptr;
  bool has_icon = false;
  std::vector<int> buttons;  // the visible ones
};

// Shows a message box through `method` and presses `button` in it.
Result answer_box(ApiCalls& api, const std::string& method, const std::string& buttons, int button,
                  SeenBox& seen, const std::string& title = "Title",
                  const std::string& message = "Message") {
  DialogAnswerer answerer([&seen, button](HWND box) {
    if (!box) return;
    seen.appeared = true;
    seen.caption = window_text(box);
    seen.message = window_text(GetDlgItem(box, kMessageText));
    seen.owner = GetWindow(box, GW_OWNER);
    HWND icon = GetDlgItem(box, kMessageIcon);
    seen.has_icon = icon && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
      HWND control = GetDlgItem(box, id);
      if (control && IsWindowVisible(control)) seen.buttons.push_back(id);
    }
    press(box, button);
  });
  return api.call("Dialogs." + method, {b64(title), b64(message), b64(buttons)});
}

TEST(ApiDialogsMessageBox, EachButtonSetAnswersWithItsWords) {
  ApiCalls api;
  struct Case {
    const char* set;
    int button;
    Result answer;
    std::vector<int> buttons;
  };
  const Case cases[] = {
      {"ok", IDOK, Result("<string>ok</string>"), {IDOK}},
      {"ok_cancel", IDOK, Result("<string>ok</string>"), {IDOK, IDCANCEL}},
      {"ok_cancel", IDCANCEL, Result("<string>cancel</string>"), {IDOK, IDCANCEL}},
      {"abort_retry_ignore",
       IDABORT,
       Result("<string>abort</string>"),
       {IDABORT, IDRETRY, IDIGNORE}},
      {"abort_retry_ignore",
       IDRETRY,
       Result("<string>retry</string>"),
       {IDABORT, IDRETRY, IDIGNORE}},
      {"abort_retry_ignore",
       IDIGNORE,
       Result("<string>ignore</string>"),
       {IDABORT, IDRETRY, IDIGNORE}},
      {"yes_no_cancel", IDYES, Result("<string>yes</string>"), {IDCANCEL, IDYES, IDNO}},
      {"yes_no_cancel", IDNO, Result("<string>no</string>"), {IDCANCEL, IDYES, IDNO}},
      {"yes_no_cancel", IDCANCEL, Result("<string>cancel</string>"), {IDCANCEL, IDYES, IDNO}},
      {"yes_no", IDYES, Result("<string>yes</string>"), {IDYES, IDNO}},
      {"yes_no", IDNO, Result("<string>no</string>"), {IDYES, IDNO}},
      {"retry_cancel", IDRETRY, Result("<string>retry</string>"), {IDCANCEL, IDRETRY}},
      {"retry_cancel", IDCANCEL, Result("<string>cancel</string>"), {IDCANCEL, IDRETRY}},
      // Not a set of the table: only OK.
      {"Yes_No", IDOK, Result("<string>ok</string>"), {IDOK}},
  };
  for (const Case& c : cases) {
    SeenBox seen;
    EXPECT_EQ(answer_box(api, "messageBox", c.set, c.button, seen), c.answer)
        << c.set << " " << c.button;
    ASSERT_TRUE(seen.appeared) << c.set;
    EXPECT_EQ(seen.buttons, c.buttons) << c.set;
    EXPECT_FALSE(seen.has_icon) << c.set;
  }
}

TEST(ApiDialogsMessageBox, TitleAndMessageAreShownAsWritten) {
  ApiCalls api;
  SeenBox seen;
  EXPECT_EQ(answer_box(api, "messageBox", "ok", IDOK, seen, "Caption %d", "50% done %s"),
            Result("<string>ok</string>"));
  EXPECT_EQ(seen.caption, "Caption %d");
  EXPECT_EQ(seen.message, "50% done %s");
  // No owner in the context: the box has none.
  EXPECT_EQ(seen.owner, nullptr);
}

TEST(ApiDialogsMessageBox, ErrorAndWarningBoxesShowAnIconAndAnswerNull) {
  ApiCalls api;
  for (const char* method : {"errorBox", "warningBox"}) {
    SeenBox seen;
    EXPECT_EQ(answer_box(api, method, "yes_no", IDYES, seen), kNull) << method;
    ASSERT_TRUE(seen.appeared) << method;
    EXPECT_TRUE(seen.has_icon) << method;
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO})) << method;
  }
}

TEST(ApiDialogsMessageBox, TheContextsWindowOwnsTheBox) {
  ApiCalls api;
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  api.context.owner = owner;
  SeenBox seen;
  EXPECT_EQ(answer_box(api, "messageBox", "ok", IDOK, seen), Result("<string>ok</string>"));
  EXPECT_EQ(seen.owner, owner);
  DestroyWindow(owner);
}

// The id a "new" answered.
int new_id(ApiCalls& api, const std::string& kind) {
  const Result id = api.call("Dialogs." + kind + ".new");
  return id ? std::stoi(id->substr(8)) : -1;
}

TEST(ApiDialogsObjects, EachKindCountsItsOwnIdsAcrossTheProgram) {
  ApiCalls api;
  const int save = new_id(api, "SaveFile");
  const int folder = new_id(api, "ChooseFolder");
  const int choose = new_id(api, "ChooseFile");
  EXPECT_EQ(new_id(api, "ChooseFile"), choose + 1);
  EXPECT_EQ(new_id(api, "SaveFile"), save + 1);
  EXPECT_EQ(new_id(api, "ChooseFolder"), folder + 1);
  // A second host's namespace goes on counting: ids are never reused.
  ApiCalls other;
  EXPECT_EQ(new_id(other, "ChooseFile"), choose + 2);
}

TEST(ApiDialogsObjects, SettersExistOnlyWhereTheKindHasThemAndIdsMustBeKnown) {
  ApiCalls api;
  const std::string choose = std::to_string(new_id(api, "ChooseFile"));
  const std::string save = std::to_string(new_id(api, "SaveFile"));
  const std::string folder = std::to_string(new_id(api, "ChooseFolder"));
  EXPECT_EQ(api.call("Dialogs.ChooseFile.setAllowMultiple", {choose, "true"}), std::nullopt);
  EXPECT_EQ(api.call("Dialogs.ChooseFile.setDialogTitle", {choose, b64("t")}), std::nullopt);
  // Unknown ids and methods a kind lacks answer nothing and show nothing.
  EXPECT_EQ(api.call("Dialogs.ChooseFile.show", {"99999"}), std::nullopt);
  EXPECT_EQ(api.call("Dialogs.SaveFile.setAllowMultiple", {save, "true"}), std::nullopt);
  EXPECT_EQ(api.call("Dialogs.ChooseFolder.setDefaultExtension", {folder, b64("txt")}),
            std::nullopt);
  EXPECT_EQ(api.call("Dialogs.ChooseFolder.setDefaultFilename", {folder, b64("f")}), std::nullopt);
  EXPECT_EQ(api.call("Dialogs.choosefile.new"), std::nullopt);
  EXPECT_EQ(api.call("Dialogs.MessageBox", {b64("t"), b64("m"), b64("ok")}), std::nullopt);
}

// The file-name field of an open or save dialog (its id differs between
// system versions), filled before OK is pressed.
void type_file_name(HWND dialog, const std::string& name) {
  for (int id : {0x047c /* cmb13 */, 0x0480 /* edt1 */}) {
    if (HWND field = GetDlgItem(dialog, id)) SetWindowTextA(field, name.c_str());
  }
}

TEST(ApiDialogsFiles, ChooseFileCancelledIsTheEmptyArray) {
  ApiCalls api;
  const std::string id = std::to_string(new_id(api, "ChooseFile"));
  bool appeared = false;
  DialogAnswerer answerer([&appeared](HWND dialog) {
    appeared = dialog != nullptr;
    if (dialog) press(dialog, IDCANCEL);
  });
  EXPECT_EQ(api.call("Dialogs.ChooseFile.show", {id}), Result("<array></array>"));
  answerer.join();
  EXPECT_TRUE(appeared);
}

TEST(ApiDialogsFiles, ChooseFileAnsweredGivesTheFullPathWithTheTitleApplied) {
  ApiCalls api;
  testing_support::TempDir dir;
  const std::string file = dir.write("chosen.txt", "c");
  const std::string id = std::to_string(new_id(api, "ChooseFile"));
  api.call("Dialogs.ChooseFile.setDialogTitle", {id, b64("Pick one")});
  std::string title;
  DialogAnswerer answerer([&title, file](HWND dialog) {
    if (!dialog) return;
    title = window_text(dialog);
    type_file_name(dialog, file);
    press(dialog, IDOK);
  });
  EXPECT_EQ(api.call("Dialogs.ChooseFile.show", {id}), Result(bridge::result_text_array({file})));
  answerer.join();
  EXPECT_EQ(title, "Pick one");
}

TEST(ApiDialogsFiles, ChooseFileWithSeveralFilesGivesTheFirstPathThenBareNames) {
  ApiCalls api;
  testing_support::TempDir dir;
  dir.write("a.txt", "a");
  dir.write("b.txt", "b");
  const std::string id = std::to_string(new_id(api, "ChooseFile"));
  api.call("Dialogs.ChooseFile.setAllowMultiple", {id, "TRUE"});
  api.call("Dialogs.ChooseFile.setDefaultDirectory", {id, b64(dir.path())});
  DialogAnswerer answerer([](HWND dialog) {
    if (!dialog) return;
    type_file_name(dialog, "\"a.txt\" \"b.txt\"");
    press(dialog, IDOK);
  });
  EXPECT_EQ(api.call("Dialogs.ChooseFile.show", {id}),
            Result(bridge::result_text_array({dir.file("a.txt"), "b.txt"})));
}

TEST(ApiDialogsFiles, SaveFileAnsweredGivesThePathAndCancelledNull) {
  ApiCalls api;
  testing_support::TempDir dir;
  const std::string target = dir.file("new file.txt");
  const std::string id = std::to_string(new_id(api, "SaveFile"));
  {
    DialogAnswerer answerer([target](HWND dialog) {
      if (!dialog) return;
      type_file_name(dialog, target);
      press(dialog, IDOK);
    });
    EXPECT_EQ(api.call("Dialogs.SaveFile.show", {id}), text_result(target));
  }
  // Nothing is written: the movie saves the file itself.
  EXPECT_FALSE(paths::exists(target));
  DialogAnswerer answerer([](HWND dialog) {
    if (dialog) press(dialog, IDCANCEL);
  });
  EXPECT_EQ(api.call("Dialogs.SaveFile.show", {id}), kNull);
}

TEST(ApiDialogsFolders, ChooseFolderCancelledIsNullAndAnsweredGivesTheSelectedFolder) {
  ApiCalls api;
  const std::string id = std::to_string(new_id(api, "ChooseFolder"));
  api.call("Dialogs.ChooseFolder.setDialogTitle", {id, b64("Where to?")});
  {
    bool appeared = false;
    DialogAnswerer answerer([&appeared](HWND dialog) {
      appeared = dialog != nullptr;
      if (dialog) press(dialog, IDCANCEL);
    });
    EXPECT_EQ(api.call("Dialogs.ChooseFolder.show", {id}), kNull);
    answerer.join();
    EXPECT_TRUE(appeared);
  }
  // Accepted as it opens: the folder the browser selects by itself, the
  // desktop folder (Wine's browser does not move to a preselected folder,
  // so the default directory cannot be seen here).
  std::string shown_text;
  DialogAnswerer answerer([&shown_text](HWND dialog) {
    if (!dialog) return;
    Sleep(300);  // the tree fills after showing
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (window_text(child) == "Where to?") shown_text = "Where to?";
    }
    press(dialog, IDOK);
  });
  char desktop[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, 0x0010, TRUE));
  EXPECT_EQ(api.call("Dialogs.ChooseFolder.show", {id}), text_result(desktop));
  answerer.join();
  // The title is the text above the tree.
  EXPECT_EQ(shown_text, "Where to?");
}

TEST(ApiDialogsColour, CancelledIsNullAndAcceptedGivesTheInitialColour) {
  ApiCalls api;
  {
    bool appeared = false;
    DialogAnswerer answerer([&appeared](HWND dialog) {
      appeared = dialog != nullptr;
      if (dialog) press(dialog, IDCANCEL);
    });
    EXPECT_EQ(api.call("Dialogs.chooseColor", {"16711680"}), kNull);
    answerer.join();
    EXPECT_TRUE(appeared);
  }
  DialogAnswerer answerer([](HWND dialog) {
    if (dialog) press(dialog, IDOK);
  });
  // 0x0080FF: red 0, green 0x80, blue 0xFF, printed red first.
  EXPECT_EQ(api.call("Dialogs.chooseColor", {"33023"}), Result("<string>0x0080ff</string>"));
}

}  // namespace
