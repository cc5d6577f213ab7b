#include "platform/win32/EditorWindow.h"

#include "platform/win32/InputDialog.h"

#include <shellapi.h>
#include <windowsx.h>

#include <exception>
#include <stdexcept>
#include <vector>

namespace {

constexpr wchar_t windowClassName[] = L"ColumnatorEditorWindow";
constexpr UINT scrollTimerMilliseconds = 10;
constexpr int clientWidth = 360, clientHeight = 199;

std::u16string fromUtf8(const char* text) {
    const int length = static_cast<int>(std::char_traits<char>::length(text));
    if (length == 0)
        return {};
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
    std::u16string converted(static_cast<size_t>(units > 0 ? units : 0), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, length, reinterpret_cast<wchar_t*>(converted.data()),
                        units);
    return converted;
}

bool keyHeld(int virtualKey) {
    return GetKeyState(virtualKey) < 0; // the high bit is set while the key is down
}

int32_t currentShiftMask() {
    return (keyHeld(VK_SHIFT) ? frmEditor::ShiftMaskShift : 0) |
           (keyHeld(VK_CONTROL) ? frmEditor::ShiftMaskCtrl : 0) |
           (keyHeld(VK_MENU) ? frmEditor::ShiftMaskAlt : 0);
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

// The outer size that gives the wanted client area under the current frame style.
SIZE windowSizeForClient(DWORD style) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace

EditorWindow::EditorWindow() : form(*this) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerWindowClass(instance, windowProcedure);
    const DWORD style = WS_OVERLAPPEDWINDOW;
    const SIZE outer = windowSizeForClient(style);
    window = CreateWindowExW(0, windowClassName, L"Columnator", style, CW_USEDEFAULT, CW_USEDEFAULT,
                             outer.cx, outer.cy, nullptr, nullptr, instance, this);
    if (!window)
        throw std::runtime_error("cannot create the window");
    surface = std::make_unique<GdiSurface>(window);
    RECT client{};
    GetClientRect(window, &client);
    surface->resize(client.right, client.bottom);
}

EditorWindow::~EditorWindow() {
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0); // no messages to a half-destroyed object
        DestroyWindow(window);
    }
}

void EditorWindow::open() {
    deliver([&] { form.onLoad(); });
    loaded = true;
    RECT client{};
    GetClientRect(window, &client);
    deliverResize(client.right, client.bottom);
}

int EditorWindow::run(int showCommand) {
    open();
    DragAcceptFiles(window, TRUE);
    if (!SetTimer(window, scrollTimerId, scrollTimerMilliseconds, nullptr))
        reportError(u"The scroll timer could not be started; the view will not glide.",
                    u"Columnator");
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

template <class Handler> void EditorWindow::deliver(Handler&& handler) {
    if (handlerRunning)
        return;
    handlerRunning = true;
    try {
        handler();
    } catch (const std::exception& failure) { // the handlers guard themselves; this is a backstop
        reportError(fromUtf8(failure.what()), u"Columnator");
    } catch (...) {
        reportError(u"An unexpected error occurred.", u"Columnator");
    }
    handlerRunning = false;
    if (resizePending) {
        resizePending = false;
        RECT client{};
        GetClientRect(window, &client);
        deliverResize(client.right, client.bottom);
    }
}

void EditorWindow::deliverResize(int32_t width, int32_t height) {
    if (handlerRunning) {
        resizePending = true; // the client size is read again when the running handler ends
        return;
    }
    deliver([&] { form.onResize(width, height); });
}

LRESULT CALLBACK EditorWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<EditorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->surface)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT EditorWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the whole client area is painted from the surface
    case WM_SIZE:
        if (loaded && wParam != SIZE_MINIMIZED)
            deliverResize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        deliver([&] { form.onKeyDown(static_cast<int32_t>(wParam), currentShiftMask()); });
        if (message == WM_KEYDOWN)
            return 0;
        break; // with Alt held the system keys (Alt+F4, Alt+Space) still work
    case WM_CHAR:
        typeUnit(static_cast<char16_t>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        pressMouse(message, lParam);
        return 0;
    case WM_DPICHANGED: { // take the frame Windows suggests for the new monitor
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DROPFILES:
        dropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == scrollTimerId && loaded)
            deliver([&] { form.onTick(); });
        return 0;
    case WM_DESTROY:
        KillTimer(window, scrollTimerId);
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

void EditorWindow::pressMouse(UINT message, LPARAM lParam) {
    const bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
    const bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN;
    const int32_t button = left ? frmEditor::ButtonLeft : frmEditor::ButtonRight;
    const auto x = static_cast<double>(GET_X_LPARAM(lParam));
    const auto y = static_cast<double>(GET_Y_LPARAM(lParam));
    deliver([&] {
        if (down)
            form.onMouseDown(button, currentShiftMask(), x, y);
        else
            form.onMouseUp(button, currentShiftMask(), x, y);
    });
}

void EditorWindow::typeUnit(char16_t unit) {
    for (const char32_t ch : typedUnits.feed(unit))
        deliver([&] { form.onKeyPress(ch); });
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
    deliver([&] { form.onDrop(files); });
}

void EditorWindow::paint() {
    PAINTSTRUCT painting{};
    const HDC target = BeginPaint(window, &painting);
    surface->paint(target, painting.rcPaint);
    EndPaint(window, &painting);
}

void EditorWindow::setPictureSize(int32_t width, int32_t height) {
    surface->resize(width, height);
}

void EditorWindow::setCaption(const std::u16string& caption) {
    SetWindowTextW(window, wide(caption));
}

std::u16string EditorWindow::inputBox(const std::u16string& prompt, const std::u16string& title,
                                      const std::u16string& defaultAnswer) {
    return inputDialog::ask(window, prompt, title, defaultAnswer);
}

bool EditorWindow::askYesNo(const std::u16string& question, const std::u16string& title) {
    return MessageBoxW(window, wide(question), wide(title), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void EditorWindow::reportError(const std::u16string& message, const std::u16string& title) {
    MessageBoxW(window, wide(message), wide(title), MB_OK | MB_ICONERROR);
}

std::u16string EditorWindow::commandLine() {
    return commandLineTail(reinterpret_cast<const char16_t*>(GetCommandLineW()));
}
