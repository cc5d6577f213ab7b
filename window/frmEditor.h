#pragma once

#include "textbox/CLBox.h"
#include "textbox/history.h"
#include "textbox/search.h"
#include "textbox/selection.h"
#include "textbox/textrange.h"
#include "window/Host.h"
#include "window/Input.h"
#include "window/WindowDesign.h"
#include "window/fileformat.h"
#include "window/filestamp.h"
#include "window/recovery.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The program's one window: owns the box, loads and saves the file, and turns key,
// mouse, drop and timer events into engine calls. A front end translates its native
// events into these handlers and relies on them for the rest: no handler lets an
// exception escape, and no handler runs inside another. A modal dialog that a handler
// opens lets the platform deliver events meanwhile; ticks and input that arrive then
// are dropped, and the last resize (and any failure to tell) is handled once the running
// handler has ended. Before start-up the same holds.
class frmEditor {
public:
    explicit frmEditor(Host& host);

    // Start-up with the tail of a process command line, as one string: empty gives the
    // demo text; a name in double quotes loses them, any other is the name, blanks and all.
    void onLoad(std::u16string_view commandLine);
    // Start-up with the file a front end was given, or the demo text without one.
    void onLoadFile(const std::optional<std::u16string>& path);
    void onResize(int32_t innerWidth, int32_t innerHeight);
    void onDrop(const std::vector<std::u16string>& files);
    void onKeyDown(KeyCode key, ShiftMask shift);
    void onKeyPress(char32_t ch);
    void onMouseDown(MouseButton button, ShiftMask shift, double x, double y);
    void onMouseUp(MouseButton button, ShiftMask shift, double x, double y);
    // The pointer moved; held is the left button when it is down. While the left button
    // pressed on the text is held, the selection follows the pointer.
    void onMouseMove(MouseButton held, ShiftMask shift, double x, double y);
    // The second press of a double click, in place of its mouse down.
    void onDoubleClick(MouseButton button, ShiftMask shift, double x, double y);
    // Scrolls the view, not the cursor; Shift turns a vertical turn sideways.
    void onWheel(const WheelTurn& turn, ShiftMask shift);
    void onTick(); // every windowDesign::tickMilliseconds
    // A request to close the window (its close box, Alt+F4, the session ending): true when
    // it may close now. Unsaved changes are asked about first.
    bool onClose();
    // A failure of the platform's own, shown to the user as handlers show theirs; while
    // a handler runs, after it.
    void onFailure(std::u16string_view message);
    // The window became the active one again, as after the user worked in another program.
    void onActivate();

    CLBox& box(); // created on first use

    std::u16string filePath;
    int32_t fileCodePage = 0; // -1 UTF-16LE, 65001 UTF-8, 0 the ANSI code page
    bool fileHadBom = false;
    std::string fileOddByte; // the unpaired last byte of an odd-length UTF-16 file

    // How a find shares the window's thread: the key's handler searches for up to
    // firstAllowance, then the caption shows how far it has come and each tick searches
    // on for up to tickAllowance, looking at the clock after every slice of sliceUnits
    // code units. Tests shorten them.
    struct FindPacing {
        std::chrono::milliseconds firstAllowance{150};
        std::chrono::milliseconds tickAllowance{25};
        int64_t sliceUnits = int64_t{1} << 20;
    };
    FindPacing findPacing;

private:
    // What a key of the key table does: an edit with a character code (8 Backspace,
    // 9 Tab, 13 Enter), a cursor move, saving and opening, one of the editing commands,
    // finding, or going to a line.
    struct KeyAction {
        enum class Kind {
            Edit,
            Move,
            Save,
            SaveAs,
            Open,
            Delete,
            Undo,
            Redo,
            SelectAll,
            Copy,
            CopyAligned,
            Cut,
            Paste,
            Find,
            FindNext,
            FindPrevious,
            StopFinding,
            GoToLine
        } kind;
        char32_t code = 0;
        CursorDirection direction = CursorDirection::Right;
    };
    struct KeyBinding;
    static std::optional<KeyAction> actionFor(KeyCode key, ShiftMask shift);

    // A failure that would recur on every frame or resize until its cause goes is shown
    // once, until the operation succeeds again.
    class RecurringFailure {
    public:
        bool isNew() { return !std::exchange(shown, true); }
        void clear() { shown = false; }

    private:
        bool shown = false;
    };

    struct PictureSize {
        int32_t width = 0;
        int32_t height = 0;
    };

    using Step = std::function<void()>;
    // The gate every handler passes: body runs alone, and what was kept meanwhile follows.
    void handle(const Step& body);
    void runAlone(const Step& body);
    void runExclusively(const Step& step);

    // Runs step; on failure gives the message for the user instead of throwing.
    static std::optional<std::u16string> failureOf(std::u16string_view operation, const Step& step);
    // Runs step and reports its failure to the user; false when it failed.
    bool guarded(std::u16string_view operation, const Step& step);
    void report(const std::u16string& message);

    bool modified();
    void showCaption();
    void setCaption(const std::u16string& caption);

    void start(const std::optional<std::u16string>& path);
    void openAtStartUp(const std::u16string& name);
    void loadFile(const std::u16string& path);
    void textIsBase(std::optional<JournalBase> base);
    void reloadBase();
    bool changedOnDisk() const;
    void resize(PictureSize size);
    bool mayPutTextAside();
    void loadInPlace(const std::u16string& file);
    void open();
    bool saveByUser(bool (frmEditor::*saving)());
    bool save();
    bool saveAs();
    bool writeDocument(const std::u16string& path, TextFileFormat format);

    void run(const KeyAction& action);
    void runCommand(KeyAction::Kind command);
    void move(CursorDirection direction);

    // Where the cursor stands and what is selected: whatever changes either ends a run of
    // typing.
    struct CursorPlace {
        CLPos at;
        std::optional<TextRange> selected;
        bool operator==(const CursorPlace&) const = default;
    };
    CursorPlace cursorPlace();
    void endRunIfMoved(const CursorPlace& before);

    // Every change of the text passes through these. An action changes the text through
    // the text-range layer, which tells each change.
    using TextAction = std::function<void(const TextChangeSink&)>;
    bool changeText(EditHistory::Action kind, std::u16string_view operation,
                    const TextAction& action);
    bool journalled(std::u16string_view operation, const TextAction& action);
    void insert(char32_t code, std::u16string_view operation);
    void deleteForward();
    void eraseSelection(const TextRange& selected, const TextChangeSink& told);
    void takeBack(bool (EditHistory::*direction)(CLBox&, const TextChangeSink&),
                  std::u16string_view operation);
    void selectAll();
    void copy(KeyAction::Kind how);
    void cut();
    void paste();
    void followCursor();
    void loadText(std::u16string&& text);

    enum class Frame { Drawn, Failed };
    Frame draw();
    void drawUnlessMoving();

    void placeCursor(double x, double y);
    void selectWord(double x, double y);
    void dragTo(double x, double y);
    void followPointer();
    void scrollByWheel(WheelTurn turn, ShiftMask shift);
    void changeFont();
    // Refused when the text would leave 32-bit coordinates in the surface's font.
    enum class Layout { Done, Refused };
    Layout layOutAgain(CLBox& b);
    std::optional<std::u16string> askFontName(Surface& surface);
    std::optional<std::u16string> askFontSize(Surface& surface);
    void glide();

    void askAndFind(SearchDirection direction);
    void findAgain(SearchDirection direction);
    void startFinding(SearchDirection direction);
    void carryOnFinding();
    void continueFinding(std::chrono::milliseconds allowance);
    void stopFinding();
    std::u16string findingCaption() const;
    void selectMatch(const SearchMatch& match);
    CLPos backwardSearchEnd();
    void reportNotFound();
    void goToLine();

    const std::u16string& recoveryFolder();
    void journalChanges(const std::vector<TextChange>& changes);
    void keepUnsavedWork();
    void forgetJournal();
    void discardKeptJournals(const std::u16string& path);
    void offerRecovery();
    void restore(const RecoveredJournal& recovered, const std::filesystem::path& file);

    Host& host;
    std::unique_ptr<CLBox> editorBox;
    EditHistory history;
    // Where the left button went down, while it is held; the pointer's last place then.
    std::optional<CLPos> dragAnchor;
    double pointerX = 0, pointerY = 0;
    uint64_t savedRevision = 0; // the text's revision when it was loaded or last saved
    // What the text was loaded or last saved as, which a journal rebuilds it from; none
    // after a file that could not be read.
    std::optional<JournalBase> documentBase;
    std::optional<RecoveryJournal> journal; // the edits since the base, once there are any
    // What turns the base, loaded from the file it was saved as, back into the text saved:
    // the first edits of every journal on it.
    std::vector<TextChange> baseDifferences;
    std::optional<std::u16string> recoveryFolderPath;
    int32_t idleTicks = 0;      // since the last edit
    int32_t ticksUnwritten = 0; // since the journal last had nothing to write
    std::u16string shownCaption{windowDesign::caption};
    bool started = false;
    bool handlerRunning = false;
    std::optional<PictureSize> pendingResize;
    std::deque<std::u16string> pendingFailures;
    RecurringFailure drawingFailure;
    RecurringFailure resizingFailure;
    RecurringFailure journalFailure;

    double wheelRestX = 0, wheelRestY = 0; // what the wheel scrolled short of a whole pixel
    std::u16string lastSearch;
    // A find that outlasted its key's handler, carried on by the ticks while the text and
    // the cursor stay as they were when it began.
    struct PendingFind {
        TextSearch search;
        CLPos cursor;
        uint64_t revision;
    };
    std::optional<PendingFind> pendingFind;
    // The match last shown, while the cursor stands at its end in the same text.
};
