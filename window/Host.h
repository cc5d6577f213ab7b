#pragma once

#include "textbox/Surface.h"

#include <cstdint>
#include <string>

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
    virtual bool askYesNo(const std::u16string& question, const std::u16string& title) = 0;
    // Tells the user that something failed; the program goes on.
    virtual void reportError(const std::u16string& message, const std::u16string& title) = 0;
};
