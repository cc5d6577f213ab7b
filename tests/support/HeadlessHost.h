#pragma once

#include "tests/support/HeadlessSurface.h"
#include "window/Host.h"
#include "window/WindowDesign.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The platform, headless: answers prompts from queues and records what the window asked.
// Shared by the window tests and the editing fuzz target.
class HeadlessHost : public Host {
public:
    HeadlessSurface surface{windowDesign::startWidth, windowDesign::startHeight};
    std::vector<std::u16string> captions; // as set, in order
    // The caption shown now: the window's own until one is set.
    std::u16string caption() const {
        return captions.empty() ? std::u16string(windowDesign::caption) : captions.back();
    }
    std::vector<std::u16string> errors;
    std::vector<std::u16string> told; // what tell showed, not failures
    struct Prompt {
        std::u16string prompt, title, defaultAnswer;
    };
    std::vector<Prompt> prompts;
    std::deque<std::u16string> answers;          // none left: Cancel
    std::vector<std::u16string> questions;       // yes/no, OK/Cancel and save questions alike
    std::deque<bool> yesNo;                      // none left: no
    std::vector<EnterAnswers> yesNoEnterAnswers; // of each yes-or-no question, in order
    std::deque<bool> okCancel;                   // none left: Cancel
    std::deque<SaveChoice> saveChoices;          // none left: Cancel
    std::vector<std::u16string> savePathsSuggested;
    std::deque<std::u16string> savePaths; // none left: Cancel
    std::vector<std::u16string> openPathsNear;
    std::deque<std::u16string> openPaths; // none left: Cancel
    std::u16string recoveryFolderPath;    // "" gives none
    std::u16string clipboard;
    std::vector<std::u16string> clipboardWrites;    // as set, in order
    bool clipboardFails = false;                    // as when another program holds it open
    bool fileDialogsFail = false;                   // as when the system cannot show them
    std::vector<std::u16string> replaceDialogShown; // Find what, each time it was shown
    std::vector<std::u16string> replaceDialogMessages;
    std::vector<AccessibleEvent> screenReaderEvents; // as told, in order
    // How the user answers a list: what they type, how often they press Down after it, and
    // Enter (true) or Escape.
    struct ListAnswer {
        std::u16string typed;
        int32_t downs = 0;
        bool taken = true;
    };
    std::deque<ListAnswer> listAnswers; // none left: Escape
    struct ListShown {
        std::u16string title;
        std::vector<ListItem> items;
        std::vector<size_t> filtered; // for the answer's typed text
    };
    std::vector<ListShown> listsShown;
    // Runs while each dialog is open, as a platform goes on delivering events then.
    std::function<void()> whileDialogOpen;
    // A larger picture cannot be allocated, as on a platform short of memory.
    int64_t largestPicturePixels = int64_t{1} << 40;

    Surface& picture() override { return surface; }
    void setPictureSize(int32_t width, int32_t height) override {
        if (int64_t{width} * height > largestPicturePixels)
            throw std::runtime_error("not enough memory for a picture of " + std::to_string(width) +
                                     " x " + std::to_string(height) + " pixels");
        surface.resize(width, height);
    }
    void setCaption(const std::u16string& caption) override { captions.push_back(caption); }
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultAnswer) override {
        prompts.push_back({prompt, title, defaultAnswer});
        dialogOpen();
        return next(answers, std::u16string());
    }
    bool askYesNo(const std::u16string& question, const std::u16string&,
                  EnterAnswers enter) override {
        questions.push_back(question);
        yesNoEnterAnswers.push_back(enter);
        dialogOpen();
        return next(yesNo, false);
    }
    bool askOkCancel(const std::u16string& question, const std::u16string&) override {
        questions.push_back(question);
        dialogOpen();
        return next(okCancel, false);
    }
    SaveChoice askSaveChanges(const std::u16string& question, const std::u16string&) override {
        questions.push_back(question);
        dialogOpen();
        return next(saveChoices, SaveChoice::Cancel);
    }
    std::u16string askSavePath(const std::u16string& suggestedPath) override {
        if (fileDialogsFail)
            throw std::runtime_error("the Save dialog could not be shown");
        savePathsSuggested.push_back(suggestedPath);
        dialogOpen();
        return next(savePaths, std::u16string());
    }
    std::u16string askOpenPath(const std::u16string& nearPath) override {
        if (fileDialogsFail)
            throw std::runtime_error("the Open dialog could not be shown");
        openPathsNear.push_back(nearPath);
        dialogOpen();
        return next(openPaths, std::u16string());
    }
    void reportError(const std::u16string& message, const std::u16string&) override {
        errors.push_back(message);
        dialogOpen();
    }
    void tell(const std::u16string& message, const std::u16string&) override {
        told.push_back(message);
        dialogOpen();
    }
    std::u16string recoveryFolder() override { return recoveryFolderPath; }
    std::u16string clipboardText() override {
        if (clipboardFails)
            throw std::runtime_error("the clipboard is in use");
        return clipboard;
    }
    void setClipboardText(const std::u16string& text) override {
        if (clipboardFails)
            throw std::runtime_error("the clipboard is in use");
        clipboard = text;
        clipboardWrites.push_back(text);
    }
    void tellScreenReader(const AccessibleEvent& event) override {
        screenReaderEvents.push_back(event);
    }

    void showReplaceDialog(const std::u16string& findWhat) override {
        replaceDialogShown.push_back(findWhat);
    }
    void setReplaceDialogMessage(const std::u16string& message) override {
        replaceDialogMessages.push_back(message);
    }

    // Down past the last item stays on it; Enter with nothing listed takes nothing.
    std::optional<size_t> chooseFromList(const std::u16string& title,
                                         const std::vector<ListItem>& items,
                                         const ListFilter& filter) override {
        const ListAnswer answer = next(listAnswers, ListAnswer{u"", 0, false});
        listsShown.push_back({title, items, filter(answer.typed)});
        dialogOpen();
        const std::vector<size_t>& filtered = listsShown.back().filtered;
        if (!answer.taken || filtered.empty())
            return std::nullopt;
        return filtered[std::min(static_cast<size_t>(answer.downs), filtered.size() - 1)];
    }

private:
    void dialogOpen() const {
        if (whileDialogOpen)
            whileDialogOpen();
    }
    template <class T> static T next(std::deque<T>& queue, T otherwise) {
        if (queue.empty())
            return otherwise;
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};
