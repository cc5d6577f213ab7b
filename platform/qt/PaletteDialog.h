#pragma once

#include "window/Host.h"

#include <QDialog>

#include <cstddef>
#include <optional>
#include <vector>

class QLineEdit;
class QListWidget;

// The list a user chooses from, made of the toolkit's own controls, which accessibility
// tools read: an edit field over a list that shows what the filter gives for the field's
// text, the first item chosen. Up, Down and the page keys in the field move the choice;
// Enter, or a double click, takes it; Escape closes the window.
class PaletteDialog : public QDialog {
public:
    PaletteDialog(QWidget* owner, const std::u16string& title, const std::vector<ListItem>& items,
                  const ListFilter& filter);

    // The item chosen now, as an index into the items; none while nothing is listed.
    std::optional<size_t> chosen() const;
    QLineEdit& field() { return *typed; }
    QListWidget& list() { return *shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refill();
    void takeChoice();

    const std::vector<ListItem>& items;
    const ListFilter& filter;
    std::vector<size_t> listed; // the item each row of the list shows
    QLineEdit* typed;
    QListWidget* shown;
};

// Runs the dialog modally: the item taken, or none.
std::optional<size_t> chooseFromPalette(QWidget* owner, const std::u16string& title,
                                        const std::vector<ListItem>& items,
                                        const ListFilter& filter);
