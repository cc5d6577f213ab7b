#pragma once

#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The size a picture is asked to take, in pixels.
struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The message for the user when body fails (an EngineError with its number, any other
// std::exception with its text), or none when it succeeds; nothing escapes.
std::optional<std::u16string> failureOf(std::u16string_view operation,
                                        const std::function<void()>& body);

// Which of the window's handlers may run now, and what waits for one to end. Handlers never
// nest: a modal dialog lets the platform deliver events meanwhile, and ticks and input that
// arrive then are dropped, while the last resize and every platform failure are kept and
// delivered once the running handler has ended. Before start-up the same holds.
class HandlerGate {
public:
    using Body = std::function<void()>;
    // What was kept while a handler ran: a resize, or a failure's message.
    using Kept = std::variant<PictureSize, std::u16string>;

    // The operations whose failure would recur on every frame, resize or tick until its
    // cause goes, so that each cause is told once.
    enum class Recurring { Drawing, Resizing, JournalWriting, Count };

    bool hasStarted() const { return started; }
    // A handler other than start-up may run: start-up is over and no handler runs.
    bool admits() const { return started && !running; }
    // Start-up may run: once, and not inside another handler. Admitted, it counts as begun.
    bool admitsStartUp();
    // Runs body marked as the running handler; whatever escapes it ends here, since
    // nothing may reach the platform's event loop.
    void runShielded(const Body& body);

    void keepResize(PictureSize size) { keptResize = size; }
    void keepFailure(std::u16string_view message) { keptFailures.emplace_back(message); }
    // What was kept, the resize first, one at a time; none when nothing waits.
    std::optional<Kept> takeKept();

    // The message to tell for this outcome of an operation: its failure the first time,
    // none while the same cause keeps failing, and none on success, which lets the next
    // failure be told again.
    std::optional<std::u16string> toTell(Recurring operation,
                                         std::optional<std::u16string> failure);

private:
    bool started = false;
    bool running = false;
    std::optional<PictureSize> keptResize;
    std::deque<std::u16string> keptFailures;
    std::bitset<static_cast<size_t>(Recurring::Count)> told;
};
