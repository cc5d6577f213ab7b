#include "platform/win32/InputDialog.h"

#include <gtest/gtest.h>

namespace {

std::u16string itemText(HWND dialog, int id) {
    wchar_t buffer[256] = {};
    GetDlgItemTextW(dialog, id, buffer, 256);
    return reinterpret_cast<const char16_t*>(buffer);
}

// The dialog made modeless from the same template, so a test can answer it.
struct OpenDialog {
    std::vector<WORD> words;
    std::u16string answer = u"untouched";
    HWND dialog = nullptr;

    OpenDialog(const std::u16string& prompt, const std::u16string& defaultAnswer)
        : words(inputDialog::buildTemplate(prompt, u"Colnat", defaultAnswer)) {
        dialog = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
            inputDialog::procedure, reinterpret_cast<LPARAM>(&answer));
    }
    ~OpenDialog() {
        if (IsWindow(dialog))
            DestroyWindow(dialog);
    }
    void press(int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

TEST(InputDialog, ShowsPromptTitleAndDefaultAnswer) {
    OpenDialog open(u"font name:", u"Verdana");
    ASSERT_NE(open.dialog, nullptr) << GetLastError();
    wchar_t title[64] = {};
    GetWindowTextW(open.dialog, title, 64);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(title)), u"Colnat");
    EXPECT_EQ(itemText(open.dialog, inputDialog::EditId), u"Verdana");
    EXPECT_EQ(itemText(open.dialog, IDOK), u"OK");
    EXPECT_EQ(itemText(open.dialog, IDCANCEL), u"Cancel");
}

TEST(InputDialog, OkGivesTheEditedTextAndCancelGivesNothing) {
    {
        OpenDialog open(u"font size:", u"9");
        ASSERT_NE(open.dialog, nullptr);
        SetDlgItemTextW(open.dialog, inputDialog::EditId, L"12.5 pt \u00e9");
        open.press(IDOK);
        EXPECT_EQ(open.answer, u"12.5 pt \u00e9");
    }
    {
        OpenDialog open(u"font size:", u"9");
        open.answer.clear();
        open.press(IDCANCEL);
        EXPECT_EQ(open.answer, u"");
    }
}

} // namespace
