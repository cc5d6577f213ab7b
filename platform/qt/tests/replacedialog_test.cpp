#include "ReplaceDialog.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

struct OpenDialog {
    QWidget editor;
    std::vector<ReplaceRequest> pressed;
    ReplaceDialog dialog{editor,
                         [this](const ReplaceRequest& request) { pressed.push_back(request); }};
    OpenDialog() {
        editor.show();
        dialog.showWith(QStringLiteral("int"));
    }
    QPushButton& button(const QString& text) {
        for (QPushButton* found : dialog.findChildren<QPushButton*>())
            if (found->text() == text)
                return *found;
        throw std::runtime_error("no such button");
    }
    std::vector<ReplaceButton> buttons() const {
        std::vector<ReplaceButton> seen;
        for (const ReplaceRequest& request : pressed)
            seen.push_back(request.button);
        return seen;
    }
};

// Tab goes through the fields, the boxes, then the buttons, from Find what, where it opens.
TEST(QtReplaceDialog, OpensInFindWhatAndTabGoesThroughItsControlsInOrder) {
    OpenDialog open;
    QWidget* at = open.dialog.focusWidget();
    ASSERT_NE(at, nullptr);
    std::vector<QString> order;
    for (int k = 0; k < 40 && order.size() < 8; ++k, at = at->nextInFocusChain())
        if ((at->focusPolicy() & Qt::TabFocus) != 0 && at->isVisible())
            order.push_back(at->metaObject()->className() + QStringLiteral(":") +
                            at->property("text").toString());
    EXPECT_EQ(order, (std::vector<QString>{"QLineEdit:int", "QLineEdit:", "QCheckBox:Match &case",
                                           "QCheckBox:&Whole word", "QPushButton:&Find next",
                                           "QPushButton:&Replace", "QPushButton:Replace &all",
                                           "QPushButton:Close"}));
}

// Enter is Find next wherever the focus is; each press hands the fields on as they stand;
// Escape hides the dialog and is handed on as Close.
TEST(QtReplaceDialog, EnterEscapeAndTheButtonsHandTheFieldsOn) {
    OpenDialog open;
    QTest::keyClicks(open.dialog.focusWidget(), QStringLiteral("x"));
    QTest::keyClick(open.dialog.focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(open.dialog.focusWidget(), QStringLiteral("long"));
    QTest::keyClick(open.dialog.focusWidget(), Qt::Key_Return);
    open.button(QStringLiteral("Replace &all")).click();
    QTest::keyClick(open.dialog.focusWidget(), Qt::Key_Escape);
    ASSERT_EQ(open.buttons(),
              (std::vector<ReplaceButton>{ReplaceButton::FindNext, ReplaceButton::ReplaceAll,
                                          ReplaceButton::Close}));
    EXPECT_EQ(open.pressed[0].fields.findWhat, u"x"); // "int" was selected: typing replaced it
    EXPECT_EQ(open.pressed[1].fields.replaceWith, u"long");
    EXPECT_FALSE(open.dialog.isVisible());
}

} // namespace
