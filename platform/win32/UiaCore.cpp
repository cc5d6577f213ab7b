#include "platform/win32/UiaCore.h"

namespace uia {
namespace {

// The core's module, loaded once and kept for the process.
HMODULE core() {
    static const HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
    return module;
}

// A function of the core by name, as its own type; null without it. Through the generic
// function type, which the warning about casts between unrelated function types allows.
template <class Function> Function* coreFunction(const char* name) {
    const HMODULE module = core();
    const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

} // namespace

LRESULT returnRawElementProvider(HWND window, WPARAM wParam, LPARAM lParam,
                                 IRawElementProviderSimple* provider) {
    using Function = LRESULT WINAPI(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);
    static Function* const call = coreFunction<Function>("UiaReturnRawElementProvider");
    return call ? call(window, wParam, lParam, provider) : 0;
}

HRESULT hostProviderFromHwnd(HWND window, IRawElementProviderSimple** provider) {
    using Function = HRESULT WINAPI(HWND, IRawElementProviderSimple**);
    static Function* const call = coreFunction<Function>("UiaHostProviderFromHwnd");
    *provider = nullptr;
    return call ? call(window, provider) : E_NOTIMPL;
}

void raiseAutomationEvent(IRawElementProviderSimple* provider, EVENTID event) {
    using Listening = BOOL WINAPI();
    using Raise = HRESULT WINAPI(IRawElementProviderSimple*, EVENTID);
    static Listening* const listening = coreFunction<Listening>("UiaClientsAreListening");
    static Raise* const raise = coreFunction<Raise>("UiaRaiseAutomationEvent");
    if (raise && (!listening || listening()))
        raise(provider, event);
}

void disconnectProvider(IRawElementProviderSimple* provider) {
    using Function = HRESULT WINAPI(IRawElementProviderSimple*);
    static Function* const call = coreFunction<Function>("UiaDisconnectProvider");
    if (call)
        call(provider);
}

HRESULT notSupportedValue(IUnknown** value) {
    using Function = HRESULT WINAPI(IUnknown**);
    static Function* const call = coreFunction<Function>("UiaGetReservedNotSupportedValue");
    *value = nullptr;
    return call ? call(value) : E_NOTIMPL;
}

} // namespace uia
