#include "platform/win32/EditorWindow.h"

#include <windows.h>

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    try {
        EditorWindow editor;
        return editor.run(showCommand);
    } catch (const std::exception& failure) { // only start-up can fail outside a handler
        MessageBoxA(nullptr, failure.what(), "Columnator", MB_OK | MB_ICONERROR);
        return 1;
    }
}
