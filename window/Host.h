#pragma once

#include "textbox/Surface.h"
#include "window/AccessibleSession.h"
#include "window/ReplaceDialog.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The answer to the question asked before unsaved changes would be lost.
enum class SaveChoice { Save, DontSave, Cancel };
// The answer Enter gives to a yes-or-no question: No where Yes would lose work.
enum class EnterAnswers { Yes, No };

// One line of a list the user chooses from: what it names, and a note shown beside it.
struct ListItem {
    std::u16string text;
    std::u16string note;
};
// The items a list shows for what the user has typed, in order, as indices into its items.
using ListFilter = std::function<std::vector<size_t>(std::u16string_view typed)>;

// What the window logic needs of its platform. Each front end implements it over its
// native window; tests implement it headless. The dialogs are modal: the platform may go
// on delivering events while one is open, which the window logic's handlers allow for.
class Host {
public:
    virtual ~Host() = default;

    // picEditor: the picture surface that fills the window's client area.
    virtual Surface& picture() = 0;
    virtual void setPictureSize(int32_t width, int32_t height) = 0;
    virtual void setCaption(const std::u16string& caption) = 0;
    // A modal input box; Cancel gives "".
    virtual std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                                    const std::u16string& defaultAnswer) = 0;
    virtual bool askYesNo(const std::u16string& question, const std::u16string& title,
                          EnterAnswers enter) = 0;
    // Enter answers OK (true), Escape Cancel (false).
    virtual bool askOkCancel(const std::u16string& question, const std::u16string& title) = 0;
    // Save, Don't save or Cancel; Escape answers Cancel.
    virtual SaveChoice askSaveChanges(const std::u16string& question,
                                      const std::u16string& title) = 0;
    // The platform's Save dialog, opened on suggestedPath (a file name, or "" for none):
    // the path chosen, or "" on Cancel. The dialog asks itself before naming another file
    // that exists.
    virtual std::u16string askSavePath(const std::u16string& suggestedPath) = 0;
    // The platform's Open dialog, opened in the folder of nearPath (or where it likes, for
    // ""): the file chosen, or "" on Cancel.
    virtual std::u16string askOpenPath(const std::u16string& nearPath) = 0;
    // Tells the user that something failed; the program goes on.
    virtual void reportError(const std::u16string& message, const std::u16string& title) = 0;
    // Tells the user something that is no failure, such as a search that found nothing.
    virtual void tell(const std::u16string& message, const std::u16string& title) = 0;
    // The user's own folder for recovery files, made if missing; "" where there is none.
    virtual std::u16string recoveryFolder() = 0;
    // The text the clipboard holds, "" when it holds none; a clipboard the system will not
    // open raises std::exception with the reason.
    virtual std::u16string clipboardText() = 0;
    virtual void setClipboardText(const std::u16string& text) = 0;
    // The Find and Replace dialog, modeless, one per window: shown, or brought to the front,
    // with findWhat in its Find what field, selected, and the focus there; its other fields
    // as the user left them. Its buttons reach the window as onReplaceDialog; Close and
    // Escape close it, giving the focus back to the text, and are told so too.
    virtual void showReplaceDialog(const std::u16string& findWhat) = 0;
    // The line the dialog tells the outcome on ("12 replaced"); "" clears it.
    virtual void setReplaceDialogMessage(const std::u16string& message) = 0;
    // A modal list in a window of its own, under an edit field: as the user types, it shows
    // the items filter gives, the first of them chosen; Up and Down move the choice, Enter
    // takes it, Escape closes the window. The item taken, or none.
    virtual std::optional<size_t> chooseFromList(const std::u16string& title,
                                                 const std::vector<ListItem>& items,
                                                 const ListFilter& filter) = 0;
    // Tells a screen reader what changed, in the order it happened; a host without a
    // reader's interface ignores it.
    virtual void tellScreenReader(const AccessibleEvent&) {}
};
