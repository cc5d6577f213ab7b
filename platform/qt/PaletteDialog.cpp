#include "PaletteDialog.h"

#include "qtstrings.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The row a key in the field moves the choice to, or -1 for a key that does not move it.
int rowAfterKey(int key, int row, int rows) {
    const int page = 8;
    switch (key) {
    case Qt::Key_Up:
        return std::max(row - 1, 0);
    case Qt::Key_Down:
        return std::min(row + 1, rows - 1);
    case Qt::Key_PageUp:
        return std::max(row - page, 0);
    case Qt::Key_PageDown:
        return std::min(row + page, rows - 1);
    default:
        return -1;
    }
}

} // namespace

PaletteDialog::PaletteDialog(QWidget* owner, const std::u16string& title,
                             const std::vector<ListItem>& listItems, const ListFilter& listFilter)
    : QDialog(owner), items(listItems), filter(listFilter), typed(new QLineEdit(this)),
      shown(new QListWidget(this)) {
    setWindowTitle(toQString(title));
    typed->setAccessibleName(QStringLiteral("Command"));
    shown->setAccessibleName(QStringLiteral("Commands"));
    shown->setFocusPolicy(Qt::NoFocus); // the keys go to the field, which moves the choice
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(typed);
    layout->addWidget(shown);
    resize(420, 320);
    typed->installEventFilter(this);
    connect(typed, &QLineEdit::textChanged, this, [this] { refill(); });
    connect(typed, &QLineEdit::returnPressed, this, [this] { takeChoice(); });
    connect(shown, &QListWidget::itemDoubleClicked, this, [this] { takeChoice(); });
    refill();
}

std::optional<size_t> PaletteDialog::chosen() const {
    const int row = shown->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= listed.size())
        return std::nullopt;
    return listed[static_cast<size_t>(row)];
}

bool PaletteDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == typed && event->type() == QEvent::KeyPress && shown->count() > 0) {
        const int row = rowAfterKey(static_cast<QKeyEvent*>(event)->key(),
                                    std::max(shown->currentRow(), 0), shown->count());
        if (row >= 0) {
            shown->setCurrentRow(row);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The note stands after the name as a command's keys are written: "Find next    F3".
void PaletteDialog::refill() {
    listed = filter(toU16String(typed->text()));
    shown->clear();
    for (const size_t k : listed) {
        const ListItem& item = items.at(k);
        shown->addItem(toQString(item.note.empty() ? item.text : item.text + u"    " + item.note));
    }
    if (!listed.empty())
        shown->setCurrentRow(0);
}

// Enter with nothing listed keeps the window open.
void PaletteDialog::takeChoice() {
    if (chosen())
        accept();
}

std::optional<size_t> chooseFromPalette(QWidget* owner, const std::u16string& title,
                                        const std::vector<ListItem>& items,
                                        const ListFilter& filter) {
    PaletteDialog dialog(owner, title, items, filter);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}
