#pragma once

#include "window/ReplaceDialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

// The Find and Replace dialog, of Qt's own widgets, so that Tab, the mnemonics and the
// accessibility tools work as in any dialog: modeless, beside the editor window, whose text
// stays editable. Each button hands the fields to pressed; Escape and Close hide it and give
// the focus back to the editor window.
class ReplaceDialog : public QDialog {
public:
    ReplaceDialog(QWidget& editorWindow, std::function<void(const ReplaceRequest&)> pressed);

    // Shown, or brought to the front, with findWhat in Find what, selected and focused.
    void showWith(const QString& findWhat);
    void setMessage(const QString& message) { outcome.setText(message); }

protected:
    void reject() override;

private:
    void press(ReplaceButton button);

    std::function<void(const ReplaceRequest&)> pressed;
    QLineEdit findWhat, replaceWith;
    QCheckBox matchCase{QStringLiteral("Match &case")};
    QCheckBox wholeWord{QStringLiteral("&Whole word")};
    QPushButton findNext{QStringLiteral("&Find next")};
    QPushButton replace{QStringLiteral("&Replace")};
    QPushButton replaceAll{QStringLiteral("Replace &all")};
    QPushButton close{QStringLiteral("Close")};
    QLabel outcome;
};
