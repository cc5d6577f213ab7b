#pragma once

#include "platform/win32/UiaCore.h"
#include "window/AccessibleSession.h"
#include "window/frmEditor.h"

#include <windows.h>

#include <atomic>

// The window's client area for UI Automation: a document element with the Text pattern,
// whose answers are the window logic's accessible document translated, offsets as they are
// (UTF-16 units both) and rectangles to the screen. It lives as long as a client holds it;
// once the window goes, every call answers that the element is not available.
class TextElement final : public IRawElementProviderSimple, public uia::ITextProvider {
public:
    TextElement(HWND window, frmEditor& form);
    TextElement(const TextElement&) = delete;
    TextElement& operator=(const TextElement&) = delete;

    // The window is going: no call reaches the logic from here on.
    void disconnect();
    // What the logic tells a screen reader, raised as UI Automation's text events.
    void tell(const AccessibleEvent& event);

    // Runs body on the logic's accessible document, catching what it throws; the element
    // not available once disconnected.
    template <class Body> HRESULT answer(Body&& body) {
        if (form == nullptr)
            return uia::elementNotAvailable;
        try {
            return body(form->accessibleDocument());
        } catch (...) { // nothing may cross into the automation core
            return E_FAIL;
        }
    }
    frmEditor* logic() const { return form; }
    HWND handle() const { return window; }
    // A rectangle of the picture, on the screen.
    RECT onScreen(const ViewRect& view) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* result) override;
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** result) override;
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE
    get_HostRawElementProvider(IRawElementProviderSimple** result) override;

    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple* child,
                                             uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE RangeFromPoint(uia::Point screenPoint,
                                             uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE get_DocumentRange(uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE
    get_SupportedTextSelection(uia::SupportedTextSelection* result) override;

private:
    ~TextElement() = default; // Release ends it

    std::atomic<ULONG> references{1};
    HWND window;
    frmEditor* form;
};

// A span of the window's text for UI Automation's text pattern.
class AutomationRange final : public uia::ITextRangeProvider {
public:
    // A range of element's text, holding the element while it lives.
    static uia::ITextRangeProvider* make(TextElement& element, TextSpan span);
    AutomationRange(const AutomationRange&) = delete;
    AutomationRange& operator=(const AutomationRange&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Clone(uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE Compare(uia::ITextRangeProvider* range, BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CompareEndpoints(uia::TextPatternRangeEndpoint endpoint,
                                               uia::ITextRangeProvider* target,
                                               uia::TextPatternRangeEndpoint targetEndpoint,
                                               int* result) override;
    HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(uia::TextUnit unit) override;
    HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID attribute, VARIANT value, BOOL backward,
                                            uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase,
                                       uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID attribute,
                                                VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** result) override;
    HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Move(uia::TextUnit unit, int count, int* result) override;
    HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(uia::TextPatternRangeEndpoint endpoint,
                                                 uia::TextUnit unit, int count,
                                                 int* result) override;
    HRESULT STDMETHODCALLTYPE
    MoveEndpointByRange(uia::TextPatternRangeEndpoint endpoint, uia::ITextRangeProvider* target,
                        uia::TextPatternRangeEndpoint targetEndpoint) override;
    HRESULT STDMETHODCALLTYPE Select() override;
    HRESULT STDMETHODCALLTYPE AddToSelection() override;
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() override;
    HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) override;
    HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** result) override;

private:
    AutomationRange(TextElement& element, TextSpan span);
    ~AutomationRange();
    int32_t& endpointOf(uia::TextPatternRangeEndpoint endpoint) {
        return endpoint == uia::EndpointStart ? span.start : span.end;
    }
    // The span of another range of ours, or none for a range of someone else's.
    static const TextSpan* spanOf(uia::ITextRangeProvider* range);

    std::atomic<ULONG> references{1};
    TextElement& owner;
    TextSpan span;
};
