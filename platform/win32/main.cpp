#include "platform/win32/EditorWindow.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/translate.h"
#include "window/frmEditor.h"

#include <windows.h>

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    try {
        EditorWindow window;
        GdiSurface surface(window.handle());
        Win32Host host(window.handle(), surface);
        frmEditor form(host);
        window.attach(form, surface);
        host.replaceButtons = [&form](const ReplaceRequest& request) {
            form.onReplaceDialog(request);
        };
        window.dialogMessages = [&host](MSG& message) { return host.takesDialogMessage(message); };
        host.onScreenReaderEvent = [&](const AccessibleEvent& event) {
            window.tellAutomation(event);
        };
        const SIZE client = window.clientSize();
        form.onResize(client.cx, client.cy); // handled, and drawn, right after start-up
        form.onLoad(commandLineTail(reinterpret_cast<const char16_t*>(GetCommandLineW())));
        return window.run(showCommand);
    } catch (const std::exception& failure) { // only start-up can fail outside a handler
        MessageBoxA(nullptr, failure.what(), "Columnator", MB_OK | MB_ICONERROR);
        return 1;
    }
}
