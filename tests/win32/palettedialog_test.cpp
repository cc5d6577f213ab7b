#include "platform/win32/PaletteDialog.h"

#include "tests/support/ListChoices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using listChoices::holding;
using listChoices::items;

// The dialog made modeless from the same template, so a test can drive it.
struct OpenPalette {
    std::vector<WORD> words = paletteDialog::buildTemplate(u"Commands");
    ListFilter filter = holding;
    paletteDialog::Choice choice{items, filter};
    HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
        paletteDialog::procedure, reinterpret_cast<LPARAM>(&choice));
    ~OpenPalette() {
        if (IsWindow(dialog))
            DestroyWindow(dialog);
    }
    HWND field() const { return GetDlgItem(dialog, paletteDialog::EditId); }
    HWND list() const { return GetDlgItem(dialog, paletteDialog::ListId); }
    void type(const wchar_t* text) { SetWindowTextW(field(), text); }
    void key(WPARAM virtualKey) { SendMessageW(field(), WM_KEYDOWN, virtualKey, 0); }
    LRESULT rows() const { return SendMessageW(list(), LB_GETCOUNT, 0, 0); }
    LRESULT chosenRow() const { return SendMessageW(list(), LB_GETCURSEL, 0, 0); }
    std::u16string row(WPARAM k) const {
        wchar_t text[128] = {};
        SendMessageW(list(), LB_GETTEXT, k, reinterpret_cast<LPARAM>(text));
        return reinterpret_cast<const char16_t*>(text);
    }
    void enter() { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
};

// Typing refills the list with what the filter gives, the first row chosen and each row a
// name with its keys; the arrows in the field move the choice and stop at the ends; Enter
// with nothing listed takes nothing, and with a choice takes it.
TEST(PaletteDialog, TypingFiltersTheArrowsChooseAndEnterTakes) {
    OpenPalette open;
    ASSERT_NE(open.dialog, nullptr) << GetLastError();
    ASSERT_EQ(open.rows(), 3);
    EXPECT_EQ(open.row(0), u"Copy    Ctrl+C");
    EXPECT_EQ(open.row(2), u"Change font");
    EXPECT_EQ(open.chosenRow(), 0);
    open.type(L"C");
    for (int k = 0; k < 3; ++k)
        open.key(VK_DOWN);
    EXPECT_EQ(open.chosenRow(), 2);
    open.key(VK_UP);
    EXPECT_EQ(open.chosenRow(), 1);
    open.type(L"Cuq");
    EXPECT_EQ(open.rows(), 0);
    open.enter();
    EXPECT_FALSE(open.choice.taken);
    EXPECT_TRUE(IsWindow(open.dialog));
    open.type(L"Cu");
    open.enter();
    EXPECT_EQ(open.choice.taken, 1u);
}

} // namespace
