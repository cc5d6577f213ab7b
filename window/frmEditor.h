#pragma once

#include "support/modLocale.h"
#include "textbox/CLBox.h"
#include "textbox/history.h"
#include "textbox/search.h"
#include "textbox/selection.h"
#include "textbox/spacedcolumns.h"
#include "textbox/textrange.h"
#include "window/AccessibleSession.h"
#include "window/BlockClipboard.h"
#include "window/DocumentSession.h"
#include "window/ExtendMode.h"
#include "window/FindSession.h"
#include "window/FontZoom.h"
#include "window/HandlerGate.h"
#include "window/Host.h"
#include "window/Input.h"
#include "window/KeyTable.h"
#include "window/PointerState.h"
#include "window/ReplaceDialog.h"
#include "window/WindowDesign.h"
#include "window/fileformat.h"
#include "window/recovery.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's one window: owns the box, and turns key, mouse, drop and timer events into
// engine calls. Each concern beyond the design's own lives in a collaborator it owns; the
// window decides what follows each one's outcome (drawing, the caption, telling the user).
// A front end translates its native events into these handlers and relies on them for
// the rest: no handler lets an exception escape, and no handler runs inside another (the
// gate's rules).
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
    // The window became the active one again, as after the user worked in another program:
    // a file another program changed or removed meanwhile is asked or told about, once.
    void onActivate();
    // A button of the Find and Replace dialog (Ctrl+H), with its fields as they stand.
    void onReplaceDialog(const ReplaceRequest& request);

    // The window's text as a screen reader asks about it; from the first call on, its
    // changes, the caret's moves and the selection are told to the host after each handler.
    AccessibleDocument accessibleDocument();
    // The cursor's bar in the view, for a system caret that magnifiers follow; it costs no
    // accessible text. Raises what the surface raises.
    ViewRect cursorBar();
    // A screen reader sets the selection from anchor to caret (equal: the caret alone); the
    // view follows the caret.
    void onAccessibleSelect(int32_t anchor, int32_t caret);
    // A screen reader brings the text at offset into view; the cursor stays.
    void onAccessibleShow(int32_t offset);
    // A screen reader replaces a span of the text, as a paste would.
    void onAccessibleReplace(TextSpan span, const std::u16string& text);

    // The system's colours, at start and whenever they change: the frames that follow are
    // drawn in the scheme made from them.
    void onColoursChanged(const SystemColours& system);

    CLBox& box(); // created on first use

    std::u16string filePath;
    // What saving must reproduce of the file last loaded or saved; until then the ANSI code
    // page, without a mark. A text without a file is saved as a new file is.
    TextFileFormat fileFormat{modLocale::codePageAnsi, false, {}};
    int32_t fileCodePage() const { return fileFormat.codePage; }
    bool fileHadBom() const { return fileFormat.hadBom; }

    void setFindPacing(const FindSession::Pacing& pacing) { finding.pacing = pacing; }

private:
    using Body = std::function<void()>;
    // Runs body as a handler when the gate admits one, else drops it.
    void runIfFree(const Body& body);
    // Runs body as a handler, then what was kept while it ran, each as a handler too.
    void runThenDeliverKept(const Body& body);
    // Runs body and reports its failure to the user; false when it failed.
    bool guarded(std::u16string_view operation, const Body& body);
    void report(const std::u16string& message);
    void reportOnce(HandlerGate::Recurring operation, const std::optional<std::u16string>& failure);

    bool modified();
    void showCaption();
    void setCaption(const std::u16string& caption);

    void start(const std::optional<std::u16string>& path);
    void openAtStartUp(const std::u16string& name);
    void loadFile(const std::u16string& path);
    void textIsBase(std::optional<JournalBase> base);
    void reloadBase();
    void resize(PictureSize size);
    bool mayPutTextAside();
    void loadInPlace(const std::u16string& file);
    void open();
    bool saveByUser(bool (frmEditor::*saving)());
    bool save();
    bool saveAs();
    bool writeDocument(const std::u16string& path, TextFileFormat format);
    void askAboutDiskChange();
    void reloadKeepingTheLine();

    void run(const KeyAction& action);
    void runCommand(KeyAction::Kind command);
    void move(CursorDirection direction);
    void toggleExtending();

    // Where the cursor stands and what is selected: whatever changes either ends a run of
    // typing.
    struct CursorPlace {
        CLPos at;
        std::optional<TextRange> selected;
        std::optional<CellBlock> block;
        bool operator==(const CursorPlace&) const = default;
    };
    CursorPlace cursorPlace();
    void endRunIfMoved(const CursorPlace& before);

    // Every change of the text passes through these: to the history, the modified state
    // and the journal. An action changes the text through the text-range layer, which tells
    // each change.
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
    void paste(KeyAction::Kind how);
    bool runOnBlock(const KeyAction& action);
    bool copyBlock(const CellBlock& block, std::u16string_view operation);
    void cutBlock(const CellBlock& block);
    void removeSelectedBlock(const CellBlock& block, std::u16string_view operation);
    void pasteBlockRows(const std::vector<BlockRow>& rows);
    void convert(Conversion conversion);
    void tellScreenReader();
    void followCursor();
    void loadText(std::u16string&& text);

    enum class Frame { Drawn, Failed };
    Frame draw();
    void drawUnlessMoving();

    void placeCursor(double x, double y, PointerState::Selecting selecting);
    void selectWord(double x, double y);
    void dragTo(double x, double y);
    void changeFont();
    void zoomBy(int32_t steps);
    void zoomBack();
    void applyZoom(double points);
    void glide();

    void askAndFind(SearchDirection direction);
    void findAgain(SearchDirection direction);
    void startFinding(SearchDirection direction);
    void carryOnFinding();
    void showFound(const FindSession::Outcome& outcome);
    void tellNotFound();
    CLPos backwardSearchEnd();
    void stopFinding();
    void goToLine();
    void showPalette();

    void showReplaceDialog();
    void answerReplaceDialog(const ReplaceRequest& request);
    void replaceMatch(const std::u16string& replacement);
    void startReplacingAll(const std::u16string& replacement);
    void carryOnReplacing();
    void finishReplacing(FindSession::Replacing state);
    void tellReplaceDialog(const std::u16string& message);
    void pasteOver(const TextRange& at, std::u16string_view text, const TextChangeSink& told,
                   KeyAction::Kind how = KeyAction::Kind::Paste);

    void keepUnsavedWork();
    void forgetJournal();
    void offerRecovery();
    void restore(const DocumentSession::KeptWork& kept);

    Host& host;
    std::unique_ptr<CLBox> editorBox;
    HandlerGate gate;
    DocumentSession document{host};
    EditHistory history;
    FindSession finding;
    PointerState pointer;
    ExtendMode extending;
    BlockClipboard copiedBlock;
    FontZoom zoom;
    AccessibleSession accessible;
    std::u16string shownCaption{windowDesign::caption};
};
