#include "platform/win32/TextAutomation.h"

#include "support/CaseFolding.h"
#include "support/Utf16.h"

#include <oleauto.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Marks a range of ours, asked for through QueryInterface, so that a range handed back by a
// client is read only where it is one.
constexpr IID iidOwnRange = {
    0x8d1f3a52, 0x6c0e, 0x4b7a, {0x9e, 0x21, 0x5a, 0x43, 0xc7, 0x10, 0xd2, 0x6b}};

// Plain text has one format and no pages: those units are the whole document.
TextUnit unitOf(uia::TextUnit unit) {
    switch (unit) {
    case uia::TextUnitCharacter:
        return TextUnit::Character;
    case uia::TextUnitWord:
        return TextUnit::Word;
    case uia::TextUnitLine:
    case uia::TextUnitParagraph:
        return TextUnit::Line;
    default:
        return TextUnit::Document;
    }
}

// Where the unit after the one at offset starts; the end of the text at its end.
int32_t nextStart(const AccessibleDocument& document, int32_t offset, TextUnit unit) {
    if (offset >= document.characterCount())
        return document.characterCount();
    return document.unitAt(offset, unit).end;
}

// Where the unit before offset starts: the start of the unit offset stands in, where it
// stands inside one.
int32_t previousStart(const AccessibleDocument& document, int32_t offset, TextUnit unit) {
    if (offset <= 0)
        return 0;
    return document.unitAt(offset - 1, unit).start;
}

// offset moved by count units, and the units it moved by.
int32_t moveBy(const AccessibleDocument& document, int32_t& offset, TextUnit unit, int count) {
    int32_t moved = 0;
    for (; moved < count; ++moved) {
        const int32_t next = nextStart(document, offset, unit);
        if (next == offset)
            break;
        offset = next;
    }
    for (; moved > count; --moved) {
        const int32_t previous = previousStart(document, offset, unit);
        if (previous == offset)
            break;
        offset = previous;
    }
    return moved;
}

HRESULT putRanges(const std::vector<uia::ITextRangeProvider*>& ranges, SAFEARRAY** result) {
    *result = SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(ranges.size()));
    HRESULT outcome = *result != nullptr ? S_OK : E_OUTOFMEMORY;
    for (LONG k = 0; k < static_cast<LONG>(ranges.size()); ++k) {
        if (SUCCEEDED(outcome))
            outcome = SafeArrayPutElement(*result, &k, ranges[static_cast<size_t>(k)]);
        ranges[static_cast<size_t>(k)]->Release(); // the array holds its own reference
    }
    return outcome;
}

BSTR toBstr(const std::u16string& text) {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

// Folding keeps the text's length, so offsets into it are offsets into the text.
std::u16string folded(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t code) { appendUtf16(out, foldCase(code)); });
    return out;
}

// The offset of needle's first (or last) occurrence in haystack; case folded where asked.
std::optional<size_t> find(std::u16string haystack, std::u16string needle, bool backward,
                           bool ignoreCase) {
    if (ignoreCase) {
        haystack = folded(haystack);
        needle = folded(needle);
    }
    const size_t at = backward ? haystack.rfind(needle) : haystack.find(needle);
    return at == std::u16string::npos ? std::nullopt : std::optional(at);
}

} // namespace

TextElement::TextElement(HWND target, frmEditor& editorForm) : window(target), form(&editorForm) {}

void TextElement::disconnect() {
    form = nullptr;
    uia::disconnectProvider(this);
}

void TextElement::tell(const AccessibleEvent& event) {
    const bool textChanged = event.kind == AccessibleEvent::Kind::TextRemoved ||
                             event.kind == AccessibleEvent::Kind::TextInserted ||
                             event.kind == AccessibleEvent::Kind::TextReplaced;
    uia::raiseAutomationEvent(this, textChanged ? uia::textChangedEventId
                                                : uia::textSelectionChangedEventId);
}

RECT TextElement::onScreen(const ViewRect& view) const {
    POINT topLeft{view.left, view.top};
    ClientToScreen(window, &topLeft);
    return {topLeft.x, topLeft.y, topLeft.x + (view.right - view.left),
            topLeft.y + (view.bottom - view.top)};
}

HRESULT TextElement::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IRawElementProviderSimple))
        *object = static_cast<IRawElementProviderSimple*>(this);
    else if (IsEqualIID(iid, uia::iidTextProvider))
        *object = static_cast<uia::ITextProvider*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TextElement::AddRef() {
    return ++references;
}

// A COM object ends itself with its last reference; clients hold it past the window.
ULONG TextElement::Release() {
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

// Answered on the window's thread, where the logic runs.
HRESULT TextElement::get_ProviderOptions(ProviderOptions* result) {
    if (result == nullptr)
        return E_POINTER;
    *result = ProviderOptions_ServerSideProvider;
    return S_OK;
}

HRESULT TextElement::GetPatternProvider(PATTERNID pattern, IUnknown** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    if (form == nullptr)
        return uia::elementNotAvailable;
    if (pattern == uia::textPatternId) {
        *result = static_cast<uia::ITextProvider*>(this);
        AddRef();
    }
    return S_OK;
}

HRESULT TextElement::GetPropertyValue(PROPERTYID property, VARIANT* result) {
    if (result == nullptr)
        return E_POINTER;
    VariantInit(result);
    if (form == nullptr)
        return uia::elementNotAvailable;
    switch (property) {
    case uia::controlTypePropertyId:
        result->vt = VT_I4;
        result->lVal = uia::documentControlTypeId;
        break;
    case uia::namePropertyId: {
        std::u16string caption(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
        caption.resize(static_cast<size_t>(GetWindowTextW(
            window, reinterpret_cast<wchar_t*>(caption.data()), static_cast<int>(caption.size()))));
        result->vt = VT_BSTR;
        result->bstrVal = toBstr(caption);
        break;
    }
    case uia::automationIdPropertyId:
        result->vt = VT_BSTR;
        result->bstrVal = toBstr(u"text");
        break;
    case uia::hasKeyboardFocusPropertyId:
        result->vt = VT_BOOL;
        result->boolVal = GetFocus() == window ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case uia::isKeyboardFocusablePropertyId:
    case uia::isEnabledPropertyId:
    case uia::isTextPatternAvailablePropertyId:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        break;
    default: // the host's provider gives the rest
        break;
    }
    return S_OK;
}

HRESULT TextElement::get_HostRawElementProvider(IRawElementProviderSimple** result) {
    if (result == nullptr)
        return E_POINTER;
    if (form == nullptr) {
        *result = nullptr;
        return uia::elementNotAvailable;
    }
    return uia::hostProviderFromHwnd(window, result);
}

// The selection, or the caret as an empty range where nothing is selected.
HRESULT TextElement::GetSelection(SAFEARRAY** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return answer([&](const AccessibleDocument& document) {
        return putRanges({AutomationRange::make(*this, document.selection())}, result);
    });
}

HRESULT TextElement::GetVisibleRanges(SAFEARRAY** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return answer([&](const AccessibleDocument& document) {
        return putRanges({AutomationRange::make(*this, document.visibleSpan())}, result);
    });
}

// The text holds no elements of its own.
HRESULT TextElement::RangeFromChild(IRawElementProviderSimple*, uia::ITextRangeProvider** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return E_INVALIDARG;
}

HRESULT TextElement::RangeFromPoint(uia::Point screenPoint, uia::ITextRangeProvider** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return answer([&](const AccessibleDocument& document) {
        POINT inView{static_cast<LONG>(screenPoint.x), static_cast<LONG>(screenPoint.y)};
        ScreenToClient(window, &inView);
        const int32_t offset = document.offsetAtPoint(inView.x, inView.y);
        *result = AutomationRange::make(*this, {offset, offset});
        return S_OK;
    });
}

HRESULT TextElement::get_DocumentRange(uia::ITextRangeProvider** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return answer([&](const AccessibleDocument& document) {
        *result = AutomationRange::make(*this, {0, document.characterCount()});
        return S_OK;
    });
}

HRESULT TextElement::get_SupportedTextSelection(uia::SupportedTextSelection* result) {
    if (result == nullptr)
        return E_POINTER;
    *result = uia::SelectionSingle;
    return S_OK;
}

uia::ITextRangeProvider* AutomationRange::make(TextElement& element, TextSpan span) {
    return new AutomationRange(element, span); // COM: its last Release ends it
}

AutomationRange::AutomationRange(TextElement& element, TextSpan rangeSpan)
    : owner(element), span(rangeSpan) {
    owner.AddRef();
}

AutomationRange::~AutomationRange() {
    owner.Release();
}

HRESULT AutomationRange::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, uia::iidTextRangeProvider) ||
        IsEqualIID(iid, iidOwnRange)) {
        *object = static_cast<uia::ITextRangeProvider*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AutomationRange::AddRef() {
    return ++references;
}

ULONG AutomationRange::Release() {
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

const TextSpan* AutomationRange::spanOf(uia::ITextRangeProvider* range) {
    void* own = nullptr;
    if (range == nullptr || FAILED(range->QueryInterface(iidOwnRange, &own)))
        return nullptr;
    auto* ours = static_cast<AutomationRange*>(static_cast<uia::ITextRangeProvider*>(own));
    ours->Release(); // the caller holds it meanwhile
    return &ours->span;
}

HRESULT AutomationRange::Clone(uia::ITextRangeProvider** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = make(owner, span);
    return S_OK;
}

HRESULT AutomationRange::Compare(uia::ITextRangeProvider* range, BOOL* result) {
    if (result == nullptr)
        return E_POINTER;
    const TextSpan* other = spanOf(range);
    if (other == nullptr)
        return E_INVALIDARG;
    *result = *other == span ? TRUE : FALSE;
    return S_OK;
}

HRESULT AutomationRange::CompareEndpoints(uia::TextPatternRangeEndpoint endpoint,
                                          uia::ITextRangeProvider* target,
                                          uia::TextPatternRangeEndpoint targetEndpoint,
                                          int* result) {
    if (result == nullptr)
        return E_POINTER;
    const TextSpan* other = spanOf(target);
    if (other == nullptr)
        return E_INVALIDARG;
    const int32_t mine = endpointOf(endpoint);
    const int32_t theirs = targetEndpoint == uia::EndpointStart ? other->start : other->end;
    *result = mine < theirs ? -1 : mine > theirs ? 1 : 0;
    return S_OK;
}

HRESULT AutomationRange::ExpandToEnclosingUnit(uia::TextUnit unit) {
    return owner.answer([&](const AccessibleDocument& document) {
        const TextSpan enclosing = document.unitAt(span.start, unitOf(unit));
        span = {enclosing.start, std::max(enclosing.end, enclosing.start)};
        return S_OK;
    });
}

// Plain text: every character has the same attributes, so none is found apart.
HRESULT AutomationRange::FindAttribute(TEXTATTRIBUTEID, VARIANT, BOOL,
                                       uia::ITextRangeProvider** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return S_OK;
}

HRESULT AutomationRange::FindText(BSTR text, BOOL backward, BOOL ignoreCase,
                                  uia::ITextRangeProvider** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    if (text == nullptr)
        return E_INVALIDARG;
    return owner.answer([&](const AccessibleDocument& document) {
        const std::u16string needle(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
        const std::optional<size_t> at =
            find(document.text(span), needle, backward != FALSE, ignoreCase != FALSE);
        if (at) {
            const int32_t start = span.start + static_cast<int32_t>(*at);
            *result = make(owner, {start, start + static_cast<int32_t>(needle.size())});
        }
        return S_OK;
    });
}

HRESULT AutomationRange::GetAttributeValue(TEXTATTRIBUTEID attribute, VARIANT* result) {
    if (result == nullptr)
        return E_POINTER;
    VariantInit(result);
    if (attribute == uia::isReadOnlyAttributeId) {
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
    }
    IUnknown* notSupported = nullptr;
    if (SUCCEEDED(uia::notSupportedValue(&notSupported)) && notSupported != nullptr) {
        result->vt = VT_UNKNOWN;
        result->punkVal = notSupported;
    }
    return S_OK;
}

// Left, top, width and height on the screen, one rectangle per line; an empty range gives
// the caret's box, as wide as a pixel.
HRESULT AutomationRange::GetBoundingRectangles(SAFEARRAY** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return owner.answer([&](const AccessibleDocument& document) {
        std::vector<ViewRect> boxes = document.spanBounds(span);
        if (span.start >= span.end) {
            ViewRect at = document.characterBounds(span.start);
            at.right = at.left + 1;
            boxes = {at};
        }
        *result = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(4 * boxes.size()));
        if (*result == nullptr)
            return E_OUTOFMEMORY;
        double* values = nullptr;
        if (FAILED(SafeArrayAccessData(*result, reinterpret_cast<void**>(&values))))
            return E_FAIL;
        for (size_t k = 0; k < boxes.size(); ++k) {
            const RECT box = owner.onScreen(boxes[k]);
            values[4 * k] = box.left;
            values[4 * k + 1] = box.top;
            values[4 * k + 2] = box.right - box.left;
            values[4 * k + 3] = box.bottom - box.top;
        }
        SafeArrayUnaccessData(*result);
        return S_OK;
    });
}

HRESULT AutomationRange::GetEnclosingElement(IRawElementProviderSimple** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = static_cast<IRawElementProviderSimple*>(&owner);
    owner.AddRef();
    return S_OK;
}

HRESULT AutomationRange::GetText(int maxLength, BSTR* result) {
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return owner.answer([&](const AccessibleDocument& document) {
        TextSpan wanted = span;
        if (maxLength >= 0)
            wanted.end = std::min(wanted.end, wanted.start + maxLength);
        *result = toBstr(document.text(wanted));
        return *result != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

// A range that spans text moves as a whole unit: collapsed to the start of the unit it
// starts in, moved, and expanded to the unit it arrives at.
HRESULT AutomationRange::Move(uia::TextUnit unit, int count, int* result) {
    if (result == nullptr)
        return E_POINTER;
    *result = 0;
    return owner.answer([&](const AccessibleDocument& document) {
        const TextUnit by = unitOf(unit);
        const bool empty = span.start >= span.end;
        int32_t at = empty ? span.start : document.unitAt(span.start, by).start;
        *result = moveBy(document, at, by, count);
        const int32_t end =
            empty || at >= document.characterCount() ? at : nextStart(document, at, by);
        span = {at, end};
        return S_OK;
    });
}

HRESULT AutomationRange::MoveEndpointByUnit(uia::TextPatternRangeEndpoint endpoint,
                                            uia::TextUnit unit, int count, int* result) {
    if (result == nullptr)
        return E_POINTER;
    *result = 0;
    return owner.answer([&](const AccessibleDocument& document) {
        int32_t at = endpointOf(endpoint);
        *result = moveBy(document, at, unitOf(unit), count);
        endpointOf(endpoint) = at;
        if (span.start > span.end) // crossed: the other end comes along
            span = {at, at};
        return S_OK;
    });
}

HRESULT AutomationRange::MoveEndpointByRange(uia::TextPatternRangeEndpoint endpoint,
                                             uia::ITextRangeProvider* target,
                                             uia::TextPatternRangeEndpoint targetEndpoint) {
    const TextSpan* other = spanOf(target);
    if (other == nullptr)
        return E_INVALIDARG;
    const int32_t at = targetEndpoint == uia::EndpointStart ? other->start : other->end;
    endpointOf(endpoint) = at;
    if (span.start > span.end)
        span = {at, at};
    return S_OK;
}

HRESULT AutomationRange::Select() {
    frmEditor* const form = owner.logic();
    if (form == nullptr)
        return uia::elementNotAvailable;
    form->onAccessibleSelect(span.start, span.end);
    return S_OK;
}

// One selection at a time.
HRESULT AutomationRange::AddToSelection() {
    return uia::invalidOperation;
}

HRESULT AutomationRange::RemoveFromSelection() {
    return uia::invalidOperation;
}

HRESULT AutomationRange::ScrollIntoView(BOOL alignToTop) {
    frmEditor* const form = owner.logic();
    if (form == nullptr)
        return uia::elementNotAvailable;
    form->onAccessibleShow(alignToTop != FALSE ? span.start : span.end);
    return S_OK;
}

HRESULT AutomationRange::GetChildren(SAFEARRAY** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = SafeArrayCreateVector(VT_UNKNOWN, 0, 0);
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}
