#pragma once

#include "textbox/HeadlessSurface.h"
#include "window/Host.h"

#include <deque>
#include <string>
#include <vector>

// The platform, headless: answers prompts from queues and records what the window asked.
// Shared by the window tests and the editing fuzz target.
class HeadlessHost : public Host {
public:
    HeadlessSurface surface{360, 199};
    std::u16string tail;
    std::vector<std::u16string> captions;
    std::vector<std::u16string> errors;
    struct Prompt {
        std::u16string prompt, title, defaultAnswer;
    };
    std::vector<Prompt> prompts;
    std::deque<std::u16string> answers; // none left: Cancel
    std::vector<std::u16string> questions;
    std::deque<bool> yesNo; // none left: no

    Surface& picture() override { return surface; }
    void setPictureSize(int32_t width, int32_t height) override { surface.resize(width, height); }
    void setCaption(const std::u16string& caption) override { captions.push_back(caption); }
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultAnswer) override {
        prompts.push_back({prompt, title, defaultAnswer});
        return next(answers, std::u16string());
    }
    bool askYesNo(const std::u16string& question, const std::u16string&) override {
        questions.push_back(question);
        return next(yesNo, false);
    }
    void reportError(const std::u16string& message, const std::u16string&) override {
        errors.push_back(message);
    }
    std::u16string commandLine() override { return tail; }

private:
    template <class T> static T next(std::deque<T>& queue, T otherwise) {
        if (queue.empty())
            return otherwise;
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};
