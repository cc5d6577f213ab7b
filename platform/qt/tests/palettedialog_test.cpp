#include "PaletteDialog.h"

#include "tests/support/ListChoices.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using listChoices::holding;
using listChoices::items;

// Typing refills the list with what the filter gives, the first row chosen and each row a
// name with its keys; the arrows in the field move the choice and stop at the ends; Enter
// with nothing listed keeps the window open, and with a choice takes it.
TEST(PaletteDialog, TypingFiltersTheArrowsChooseAndEnterTakes) {
    const ListFilter filter = holding;
    PaletteDialog dialog(nullptr, u"Commands", items, filter);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Commands"));
    ASSERT_EQ(dialog.list().count(), 3);
    EXPECT_EQ(dialog.list().item(0)->text(), QStringLiteral("Copy    Ctrl+C"));
    EXPECT_EQ(dialog.list().item(2)->text(), QStringLiteral("Change font"));
    EXPECT_EQ(dialog.chosen(), 0u);
    QTest::keyClicks(&dialog.field(), QStringLiteral("C"));
    for (int k = 0; k < 3; ++k)
        QTest::keyClick(&dialog.field(), Qt::Key_Down);
    EXPECT_EQ(dialog.chosen(), 2u);
    QTest::keyClick(&dialog.field(), Qt::Key_Up);
    EXPECT_EQ(dialog.chosen(), 1u);
    QTest::keyClicks(&dialog.field(), QStringLiteral("uq"));
    EXPECT_EQ(dialog.list().count(), 0);
    EXPECT_FALSE(dialog.chosen());
    QTest::keyClick(&dialog.field(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog.field(), Qt::Key_Backspace);
    EXPECT_EQ(dialog.chosen(), 1u);
    QTest::keyClick(&dialog.field(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.field().accessibleName(), QStringLiteral("Command"));
}

} // namespace
