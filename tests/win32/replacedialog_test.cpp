#include "platform/win32/ReplaceDialog.h"

#include "platform/win32/ReplaceDialogIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The dialog over a hidden owner, each press kept.
struct OpenDialog {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    std::vector<ReplaceRequest> pressed;
    ReplaceDialog dialog{owner,
                         [this](const ReplaceRequest& request) { pressed.push_back(request); }};

    ~OpenDialog() { DestroyWindow(owner); }
    HWND item(int id) const { return GetDlgItem(dialog.handle(), id); }
    // A message as the message loop hands it on: true when the dialog took it.
    bool deliver(int id, UINT message, WPARAM wParam) {
        MSG msg{item(id), message, wParam, 0, 0, {}};
        return dialog.takes(msg);
    }
};

// Shown with Find what filled, the dialog's controls are the standard ones, in the order Tab
// goes through them: the fields, the boxes, then the buttons.
TEST(ReplaceDialog, ShowsItsControlsInTabOrder) {
    OpenDialog open;
    ASSERT_NE(open.dialog.handle(), nullptr);
    open.dialog.showWith(u"int");
    wchar_t title[64] = {};
    GetWindowTextW(open.dialog.handle(), title, 64);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(title)), u"Find and Replace");
    EXPECT_EQ(open.dialog.fields().findWhat, u"int");
    const std::vector<int> order = {IDC_FIND_WHAT,   IDC_REPLACE_WITH, IDC_MATCH_CASE,
                                    IDC_WHOLE_WORD,  IDC_FIND_NEXT,    IDC_REPLACE,
                                    IDC_REPLACE_ALL, IDCANCEL};
    for (size_t k = 0; k + 1 < order.size(); ++k)
        EXPECT_EQ(GetNextDlgTabItem(open.dialog.handle(), open.item(order[k]), FALSE),
                  open.item(order[k + 1]))
            << k;
    GetWindowTextW(open.item(IDC_REPLACE_ALL), title, 64);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(title)), u"Replace &all");
}

// Each button hands the fields on as they stand; Enter is Find next, Alt+A Replace all, and
// Escape hides the dialog and is handed on as Close.
TEST(ReplaceDialog, ButtonsAndKeysHandTheFieldsOn) {
    OpenDialog open;
    open.dialog.showWith(u"int");
    SetDlgItemTextW(open.dialog.handle(), IDC_REPLACE_WITH, L"long\u00e9");
    CheckDlgButton(open.dialog.handle(), IDC_WHOLE_WORD, BST_CHECKED);
    SendMessageW(open.dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_REPLACE, BN_CLICKED), 0);
    ASSERT_EQ(open.pressed.size(), 1u);
    EXPECT_EQ(open.pressed[0].button, ReplaceButton::Replace);
    EXPECT_EQ(open.pressed[0].fields.findWhat, u"int");
    EXPECT_EQ(open.pressed[0].fields.replaceWith, u"long\u00e9");
    EXPECT_FALSE(open.pressed[0].fields.matchCase);
    EXPECT_TRUE(open.pressed[0].fields.wholeWord);

    EXPECT_TRUE(open.deliver(IDC_FIND_WHAT, WM_KEYDOWN, VK_RETURN));
    EXPECT_TRUE(open.deliver(IDC_FIND_WHAT, WM_SYSCHAR, 'a'));
    EXPECT_TRUE(open.deliver(IDC_FIND_WHAT, WM_KEYDOWN, VK_ESCAPE));
    std::vector<ReplaceButton> buttons;
    for (const ReplaceRequest& request : open.pressed)
        buttons.push_back(request.button);
    EXPECT_EQ(buttons,
              (std::vector<ReplaceButton>{ReplaceButton::Replace, ReplaceButton::FindNext,
                                          ReplaceButton::ReplaceAll, ReplaceButton::Close}));
    EXPECT_FALSE(IsWindowVisible(open.dialog.handle()));
    EXPECT_FALSE(open.deliver(IDC_FIND_WHAT, WM_KEYDOWN, VK_RETURN)) << "hidden, it takes none";
}

} // namespace
