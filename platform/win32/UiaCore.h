#pragma once

#include <windows.h>

#include <ole2.h>
#include <uiautomationcore.h>

// What UI Automation's text pattern needs beyond what mingw-w64's headers declare: the two
// interfaces as the Windows SDK lays them out, their enumerations and the ids used here,
// and the core's functions, looked up in uiautomationcore.dll at first use (mingw-w64 has no
// import library for it; a system without it has no client to serve either).
namespace uia {

enum TextUnit : int {
    TextUnitCharacter = 0,
    TextUnitFormat = 1,
    TextUnitWord = 2,
    TextUnitLine = 3,
    TextUnitParagraph = 4,
    TextUnitPage = 5,
    TextUnitDocument = 6,
};
enum TextPatternRangeEndpoint : int { EndpointStart = 0, EndpointEnd = 1 };
enum SupportedTextSelection : int { SelectionNone = 0, SelectionSingle = 1 };

struct Point {
    double x, y;
};

constexpr LONG rootObjectId = -25; // WM_GETOBJECT's object id for UI Automation
constexpr PATTERNID textPatternId = 10014;
constexpr EVENTID textSelectionChangedEventId = 20014;
constexpr EVENTID textChangedEventId = 20015;
constexpr PROPERTYID controlTypePropertyId = 30003;
constexpr PROPERTYID namePropertyId = 30005;
constexpr PROPERTYID hasKeyboardFocusPropertyId = 30008;
constexpr PROPERTYID isKeyboardFocusablePropertyId = 30009;
constexpr PROPERTYID isEnabledPropertyId = 30010;
constexpr PROPERTYID automationIdPropertyId = 30011;
constexpr PROPERTYID isTextPatternAvailablePropertyId = 30040;
constexpr int documentControlTypeId = 50030;
constexpr TEXTATTRIBUTEID isReadOnlyAttributeId = 40015;
constexpr HRESULT elementNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT invalidOperation = static_cast<HRESULT>(0x80131509);

struct ITextRangeProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint,
                                                       ITextRangeProvider* target,
                                                       TextPatternRangeEndpoint targetEndpoint,
                                                       int* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID attribute, VARIANT value,
                                                    BOOL backward, ITextRangeProvider** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase,
                                               ITextRangeProvider** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID attribute,
                                                        VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint,
                                                         TextUnit unit, int count, int* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    MoveEndpointByRange(TextPatternRangeEndpoint endpoint, ITextRangeProvider* target,
                        TextPatternRangeEndpoint targetEndpoint) = 0;
    virtual HRESULT STDMETHODCALLTYPE Select() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** result) = 0;
};

struct ITextProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple* child,
                                                     ITextRangeProvider** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromPoint(Point screenPoint,
                                                     ITextRangeProvider** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_SupportedTextSelection(SupportedTextSelection* result) = 0;
};

constexpr IID iidTextProvider = {
    0x3589c92c, 0x63f3, 0x4367, {0x99, 0xbb, 0xad, 0xa6, 0x53, 0xb7, 0x7c, 0xf2}};
constexpr IID iidTextRangeProvider = {
    0x5347ad7b, 0xc355, 0x46f8, {0xaf, 0xf5, 0x90, 0x90, 0x33, 0x58, 0x2f, 0x63}};

// The core's functions; each does nothing (and gives 0 or an error) without the core.
LRESULT returnRawElementProvider(HWND window, WPARAM wParam, LPARAM lParam,
                                 IRawElementProviderSimple* provider);
HRESULT hostProviderFromHwnd(HWND window, IRawElementProviderSimple** provider);
// Raised only while some client listens.
void raiseAutomationEvent(IRawElementProviderSimple* provider, EVENTID event);
void disconnectProvider(IRawElementProviderSimple* provider);
// The value a provider gives for an attribute it does not support.
HRESULT notSupportedValue(IUnknown** value);

} // namespace uia
