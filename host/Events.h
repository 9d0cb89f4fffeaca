// Arguments of an application event as the C++ side of the host names them.
// The host turns them into the automation form when it delivers the event:
// arguments last-first, texts as UTF-16 BSTRs, documents and windows as
// VT_DISPATCH objects, by-reference booleans as pointers to 16-bit -1/0 and
// by-reference integers as pointers to 32-bit values. After a synchronous
// delivery the by-reference arguments hold what the sinks wrote.
#pragma once

#include "Model.h"

#include <cstdint>
#include <string>

namespace mosvik::host {

using DocumentId = model::Id;

struct EventArg {
    enum class Kind { Int, Bool, Text, Document, Window, BoolRef, IntRef };

    Kind kind = Kind::Int;
    int32_t number = 0; // Int, IntRef
    bool flag = false;  // Bool, BoolRef
    std::u16string text;
    DocumentId document = 0; // Document, Window (the document's window)

    static EventArg integer(int32_t v) { return {Kind::Int, v, false, {}, 0}; }
    static EventArg boolean(bool v) { return {Kind::Bool, 0, v, {}, 0}; }
    static EventArg string(std::u16string v) { return {Kind::Text, 0, false, std::move(v), 0}; }
    static EventArg doc(DocumentId id) { return {Kind::Document, 0, false, {}, id}; }
    static EventArg window(DocumentId id) { return {Kind::Window, 0, false, {}, id}; }
    static EventArg boolRef(bool initial) { return {Kind::BoolRef, 0, initial, {}, 0}; }
    static EventArg intRef(int32_t initial) { return {Kind::IntRef, initial, false, {}, 0}; }
};

} // namespace mosvik::host
