#include "ReplaceDialog.h"

#include "qtstrings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <utility>

ReplaceDialog::ReplaceDialog(QWidget& editorWindow,
                             std::function<void(const ReplaceRequest&)> onPressed)
    : QDialog(&editorWindow), pressed(std::move(onPressed)) {
    setWindowTitle(QStringLiteral("Find and Replace"));
    setModal(false);
    auto* findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
    auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
    findLabel->setBuddy(&findWhat);
    replaceLabel->setBuddy(&replaceWith);
    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(&findWhat, 0, 1);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(&replaceWith, 1, 1);
    fields->addWidget(&matchCase, 2, 1);
    fields->addWidget(&wholeWord, 3, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {&findNext, &replace, &replaceAll, &close}) {
        button->setAutoDefault(false); // Enter means Find next, wherever the focus is
        buttons->addWidget(button);
    }
    findNext.setDefault(true);
    auto* all = new QVBoxLayout(this);
    all->addLayout(fields);
    all->addLayout(buttons);
    all->addWidget(&outcome);
    setTabOrder(&findWhat, &replaceWith);
    setTabOrder(&replaceWith, &matchCase);
    setTabOrder(&matchCase, &wholeWord);
    setTabOrder(&wholeWord, &findNext);
    setTabOrder(&findNext, &replace);
    setTabOrder(&replace, &replaceAll);
    setTabOrder(&replaceAll, &close);
    connect(&findNext, &QPushButton::clicked, this, [this] { press(ReplaceButton::FindNext); });
    connect(&replace, &QPushButton::clicked, this, [this] { press(ReplaceButton::Replace); });
    connect(&replaceAll, &QPushButton::clicked, this, [this] { press(ReplaceButton::ReplaceAll); });
    connect(&close, &QPushButton::clicked, this, [this] { reject(); });
}

void ReplaceDialog::showWith(const QString& text) {
    findWhat.setText(text);
    findWhat.selectAll();
    show();
    raise();
    activateWindow();
    findWhat.setFocus();
}

void ReplaceDialog::press(ReplaceButton button) {
    pressed({{toU16String(findWhat.text()), toU16String(replaceWith.text()), matchCase.isChecked(),
              wholeWord.isChecked()},
             button});
}

// Escape, Close and the close box: hidden, its fields kept for the next time.
void ReplaceDialog::reject() {
    hide();
    if (QWidget* editor = parentWidget()) {
        editor->activateWindow();
        editor->setFocus();
    }
    press(ReplaceButton::Close);
}
