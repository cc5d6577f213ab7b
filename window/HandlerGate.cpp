#include "window/HandlerGate.h"

#include "support/EngineError.h"
#include "support/modLocale.h"

#include <exception>
#include <utility>

namespace {

std::u16string fromUtf8(const std::string& message) {
    return modLocale::bytesToText(message, modLocale::codePageUtf8);
}

} // namespace

std::optional<std::u16string> failureOf(std::u16string_view operation,
                                        const std::function<void()>& body) {
    const std::u16string context = u"Error while " + std::u16string(operation) + u": ";
    try {
        body();
        return std::nullopt;
    } catch (const EngineError& e) {
        return context + fromUtf8(e.what()) + u" (error " +
               fromUtf8(std::to_string(static_cast<int>(e.number))) + u")";
    } catch (const std::exception& e) {
        return context + fromUtf8(e.what());
    }
}

bool HandlerGate::admitsStartUp() {
    if (started || running)
        return false;
    started = true;
    return true;
}

void HandlerGate::runShielded(const Body& body) {
    running = true;
    try {
        body();
    } catch (...) {
    }
    running = false;
}

std::optional<HandlerGate::Kept> HandlerGate::takeKept() {
    if (keptResize)
        return Kept(*std::exchange(keptResize, std::nullopt));
    if (keptFailures.empty())
        return std::nullopt;
    Kept failure(std::move(keptFailures.front()));
    keptFailures.pop_front();
    return failure;
}

std::optional<std::u16string> HandlerGate::toTell(Recurring operation,
                                                  std::optional<std::u16string> failure) {
    const auto bit = static_cast<size_t>(operation);
    if (!failure) {
        told.reset(bit);
        return std::nullopt;
    }
    if (told.test(bit))
        return std::nullopt;
    told.set(bit);
    return failure;
}
