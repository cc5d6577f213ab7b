#include "platform/win32/EditorWindow.h"

#include "window/KeyTable.h"
#include "window/WindowDesign.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t windowClassName[] = L"ColumnatorEditorWindow";

// Read at each turn, so a changed setting counts at once; Windows' default where it fails.
uint32_t wheelScrollLines() {
    UINT lines = 3;
    if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0))
        lines = 3;
    return lines;
}

void registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    // Resource 1 is the program's own icon; a build without resources falls back to the stock one.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!windowClass.hIcon)
        windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM));
    windowClass.lpszClassName = windowClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("cannot register the window class");
}

// The density of the monitor the window is on, where the system tells it for each window
// (from Windows 10 version 1607); 0 where it does not, and the system's own applies.
UINT monitorDpiOf(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC found = user32 ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    // Through the generic function type, which the warning about casts between unrelated
    // function types allows.
    const auto call = reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(found));
    return call ? call(window) : 0;
}

// The outer size that gives the designed client area under the current frame style.
SIZE windowSizeForClient(DWORD style) {
    RECT frame{0, 0, windowDesign::startWidth, windowDesign::startHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Whether the system asks programs for a dark theme: AppsUseLightTheme 0 under the
// Personalize key. Light where the value is missing, as on systems before the setting.
bool appsUseDarkTheme() {
    DWORD light = 1, size = sizeof light;
    const LSTATUS read = RegGetValueW(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
        L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size);
    return read == ERROR_SUCCESS && light == 0;
}

bool highContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SystemColours systemColours() {
    const auto colour = [](int index) { return static_cast<int32_t>(GetSysColor(index)); };
    return {colour(COLOR_WINDOW),        colour(COLOR_WINDOWTEXT), colour(COLOR_HIGHLIGHT),
            colour(COLOR_HIGHLIGHTTEXT), highContrastOn(),         appsUseDarkTheme()};
}

// A dark title bar where the system has one (DWMWA_USE_IMMERSIVE_DARK_MODE, from Windows 10
// version 2004); nothing elsewhere.
void useDarkTitleBar(HWND window, bool dark) {
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    const FARPROC found = dwm ? GetProcAddress(dwm, "DwmSetWindowAttribute") : nullptr;
    const auto call = reinterpret_cast<SetAttribute>(reinterpret_cast<void (*)()>(found));
    constexpr DWORD immersiveDarkMode = 20;
    const BOOL on = dark ? TRUE : FALSE;
    if (call)
        call(window, immersiveDarkMode, &on, sizeof on);
}

} // namespace

EditorWindow::EditorWindow() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerWindowClass(instance, windowProcedure);
    const DWORD style = WS_OVERLAPPEDWINDOW;
    const SIZE outer = windowSizeForClient(style);
    const std::u16string caption(windowDesign::caption);
    window = CreateWindowExW(0, windowClassName, wide(caption), style, CW_USEDEFAULT, CW_USEDEFAULT,
                             outer.cx, outer.cy, nullptr, nullptr, instance, this);
    if (!window)
        throw std::runtime_error("cannot create the window");
}

EditorWindow::~EditorWindow() {
    endAutomation();
    if (caretBitmap)
        DeleteObject(caretBitmap);
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0); // no messages to a half-destroyed object
        DestroyWindow(window);
    }
}

SIZE EditorWindow::clientSize() const {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void EditorWindow::attach(frmEditor& editorForm, GdiSurface& picture) {
    form = &editorForm;
    surface = &picture;
    surface->afterPresenting = [this] { placeCaret(); }; // the caret follows each frame
    if (const UINT dpi = monitorDpiOf(window))
        surface->setDotsPerInchY(static_cast<int32_t>(dpi));
    followSystemColours();
    if (GetFocus() == window)
        createCaret();
}

TextElement* EditorWindow::automation() {
    if (!element && form)
        element = new TextElement(window, *form);
    return element;
}

void EditorWindow::tellAutomation(const AccessibleEvent& event) {
    if (element)
        element->tell(event);
}

// The client's reference is its own; ours stays until the window goes.
LRESULT EditorWindow::answerObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != uia::rootObjectId || !automation())
        return DefWindowProcW(window, WM_GETOBJECT, wParam, lParam);
    return uia::returnRawElementProvider(window, wParam, lParam, element);
}

// Clients still holding the element are told it is gone, and reach the logic no more.
void EditorWindow::endAutomation() {
    if (!element)
        return;
    element->disconnect();
    if (window)
        uia::returnRawElementProvider(window, 0, 0, nullptr);
    uia::disconnectProvider(element);
    element->Release();
    element = nullptr;
}

// A caret of the cursor's height drawn in black on black, so it shows nothing: the cursor is
// the logic's own drawing, and the caret is there for magnifiers and the system to follow.
void EditorWindow::createCaret() {
    const int32_t height = std::max<int32_t>(form->box().lineHeight, 1);
    if (caretHeight == height && caretBitmap)
        return;
    if (caretBitmap)
        DeleteObject(caretBitmap);
    const std::vector<WORD> rows(static_cast<size_t>(height), 0); // each row padded to a word
    caretBitmap = CreateBitmap(1, height, 1, 1, rows.data());
    caretHeight = CreateCaret(window, caretBitmap, 1, height) ? height : 0;
    caretAt = {-1, -1}; // a new caret stands at the corner until placed
    if (caretHeight != 0)
        ShowCaret(window);
    placeCaret();
}

void EditorWindow::placeCaret() {
    if (caretHeight == 0)
        return;
    try {
        const ViewRect bar = form->cursorBar();
        if (bar.bottom - bar.top != caretHeight)
            return createCaret(); // the font's size changed
        // Each frame asks; under wine every call waits for its server, so only a move calls.
        if (caretAt.x == bar.left && caretAt.y == bar.top)
            return;
        if (SetCaretPos(bar.left, bar.top))
            caretAt = {bar.left, bar.top};
    } catch (const std::exception&) { // the surface failed to measure: the caret stays
    }
}

void EditorWindow::followSystemColours() {
    const SystemColours colours = systemColours();
    useDarkTitleBar(window, colours.darkApps && !colours.highContrast);
    form->onColoursChanged(colours);
}

int EditorWindow::run(int showCommand) {
    DragAcceptFiles(window, TRUE);
    if (!SetTimer(window, scrollTimerId, windowDesign::tickMilliseconds, nullptr))
        form->onFailure(u"The scroll timer could not be started; the view will not glide.");
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (dialogMessages && dialogMessages(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK EditorWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<EditorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->form)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT EditorWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint();
        placeCaret();
        return 0;
    case WM_GETOBJECT:
        return answerObject(wParam, lParam);
    case WM_SETFOCUS: { // the keys pressed or let go while another window had the focus
        BYTE keys[256] = {};
        if (GetKeyboardState(keys))
            modifiers.startFrom(keys);
        createCaret();
        return 0;
    }
    case WM_KILLFOCUS:
        DestroyCaret();
        caretHeight = 0;
        caretAt = {-1, -1};
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: // high contrast and the theme for apps are told so
    case WM_THEMECHANGED:
        followSystemColours();
        break;
    case WM_ERASEBKGND:
        return 1; // the whole client area is painted from the surface
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            form->onResize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        modifiers.onKey(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), true);
        const KeyCode key = static_cast<KeyCode>(wParam);
        const ShiftMask shift = currentShiftMask();
        form->onKeyDown(key, shift);
        dropNextCharacter = !typesItsCharacter(key, shift);
        if (message == WM_KEYDOWN)
            return 0;
        break; // with Alt held the system keys (Alt+F4, Alt+Space) still work
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        modifiers.onKey(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), false);
        break;
    case WM_CHAR: // a zoom key's "+" or "-" comes as one, and is not typed
        if (!std::exchange(dropNextCharacter, false))
            typeUnit(static_cast<char16_t>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_LBUTTONDBLCLK:
        pressMouse(message, lParam);
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        form->onWheel(wheelTurnOf(message == WM_MOUSEHWHEEL, GET_WHEEL_DELTA_WPARAM(wParam),
                                  wheelScrollLines()),
                      currentShiftMask());
        return 0;
    case WM_MOUSEMOVE:
        form->onMouseMove((wParam & MK_LBUTTON) != 0 ? MouseButton::Left : MouseButton::None,
                          currentShiftMask(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_DPICHANGED:
        followDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            form->onActivate();
        break; // the system's own handling gives the window the keyboard focus
    case WM_DROPFILES:
        dropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == scrollTimerId)
            form->onTick();
        return 0;
    case WM_CLOSE: // the close box, Alt+F4 and the taskbar; it stays unless the logic agrees
        if (form->onClose())
            DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION: // unsaved edits may keep the session from ending
        return form->onClose() ? TRUE : FALSE;
    case WM_ENDSESSION: // wParam: the session ends now, as every program agreed
        if (wParam)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, scrollTimerId);
        endAutomation();
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        window = nullptr; // nothing left for the destructor to destroy
        return result;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window holds the mouse while the left button is down, so that a drag goes on past
// its edges and its release arrives. The second press of a double click comes as its own
// message instead of a button down.
void EditorWindow::pressMouse(UINT message, LPARAM lParam) {
    const bool left =
        message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_LBUTTONDBLCLK;
    const MouseButton button = left ? MouseButton::Left : MouseButton::Right;
    const auto x = static_cast<double>(GET_X_LPARAM(lParam));
    const auto y = static_cast<double>(GET_Y_LPARAM(lParam));
    if (left && message != WM_LBUTTONUP)
        SetCapture(window);
    else if (left)
        ReleaseCapture();
    if (message == WM_LBUTTONDBLCLK)
        form->onDoubleClick(button, currentShiftMask(), x, y);
    else if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
        form->onMouseDown(button, currentShiftMask(), x, y);
    else
        form->onMouseUp(button, currentShiftMask(), x, y);
}

ShiftMask EditorWindow::currentShiftMask() const {
    return shiftMaskOf(modifiers.held());
}

void EditorWindow::typeUnit(char16_t unit) {
    for (const char32_t ch : typedUnits.feed(unit))
        form->onKeyPress(ch);
}

void EditorWindow::dropFiles(HDROP drop) {
    std::vector<std::u16string> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        std::u16string name(DragQueryFileW(drop, index, nullptr, 0) + 1, u'\0');
        const UINT copied = DragQueryFileW(drop, index, reinterpret_cast<wchar_t*>(name.data()),
                                           static_cast<UINT>(name.size()));
        name.resize(copied);
        files.push_back(std::move(name));
    }
    DragFinish(drop);
    form->onDrop(files);
}

// Measured and drawn at the new monitor's density, in the frame Windows suggests for it. A
// frame of the same size gets no WM_SIZE, yet its text is measured anew and drawn again.
void EditorWindow::followDpi(UINT dpi, const RECT& suggested) {
    surface->setDotsPerInchY(static_cast<int32_t>(dpi));
    const SIZE before = clientSize();
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE after = clientSize();
    if (after.cx == before.cx && after.cy == before.cy)
        form->onResize(after.cx, after.cy);
}

void EditorWindow::paint() {
    PAINTSTRUCT painting{};
    const HDC target = BeginPaint(window, &painting);
    surface->paint(target, painting.rcPaint);
    EndPaint(window, &painting);
}
